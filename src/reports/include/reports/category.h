// One category of a graphic report: an id, a title, the hatch style its spaces and assets
// are filled with (none when it colours nothing) and the space blocks and assets it holds.
#pragma once

#include "mfc/cstring.h"
#include "msxml/dom.h"

class CAssets;
class CBlocks;
class CHatch;

class CCategory
{
public:
    CCategory() = default;
    ~CCategory();
    CCategory(const CCategory&) = delete;
    CCategory& operator=(const CCategory&) = delete;

    // The "category" element in the namespace: "cID", "cTitle" and, with a hatch style,
    // "cHatchPattern", "cHatchColour", "cHatchScale", "cHatchAngle" and "cHatchLayer", then
    // the blocks list's "kavroBlocks" and the assets list's "assets" when it has them.
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI);
    // Fills the category from a "category" element; any other node changes nothing.
    void deSerialize(MSXML2::IXMLDOMNodePtr node);

    int getID() const { return m_id; }
    void setID(int id) { m_id = id; }
    CString getTitle() const { return m_title; }
    void setTitle(CString title) { m_title = std::move(title); }
    // The setters take ownership of what they are given and leave a replaced object to
    // its holder (applying a report walks the old list while it hands over a new one).
    // The category destroys its blocks list with every block in it (CBlocks::destroyBlocks).
    CHatch* getHatch() const { return m_hatch; }
    void setHatch(CHatch* hatch) { m_hatch = hatch; }
    CBlocks* getBlocks() const { return m_blocks; }
    void setBlocks(CBlocks* blocks) { m_blocks = blocks; }
    CAssets* getAssets() const { return m_assets; }
    void setAssets(CAssets* assets) { m_assets = assets; }

    // Equal titles (exact) and equal hatch styles (colour, pattern, angle and scale); a
    // category without a hatch style equals only another without one.
    bool isDuplicateOf(const CCategory& other) const;

private:
    void readChild(const MSXML2::IXMLDOMNodePtr& child);
    void readBlocks(const MSXML2::IXMLDOMNodePtr& element);
    void readAssets(const MSXML2::IXMLDOMNodePtr& element);

    int m_id = 0;
    CString m_title;
    CHatch* m_hatch = nullptr;
    CBlocks* m_blocks = nullptr;
    CAssets* m_assets = nullptr;
};
