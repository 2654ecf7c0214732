// One hyperlink of a space block or an asset: an address and the text shown for it.
#pragma once

#include "mfc/cstring.h"
#include "support/xmlutilities.h"

class CHyperlink
{
public:
    CHyperlink() = default;
    CHyperlink(CString href, CString description);
    virtual ~CHyperlink() = default;

    CString getHref() const { return m_href; }
    void setHref(CString href) { m_href = std::move(href); }
    CString getDescription() const { return m_description; }
    void setDescription(CString description) { m_description = std::move(description); }

    void copyTo(CHyperlink* target) const;
    // The address becomes the base unchanged followed by "?pb=10&page=1&id=" and the id.
    void setHyperlink(CString base, int id);

    // The element "hyperlink": "bhHref", and "bhDescription" when there is a description.
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) const;
    // Reads a "hyperlink" element (qualified name compared exactly); a missing child leaves
    // its field as it was, a repeated one gives the last text.
    void deSerialize(MSXML2::IXMLDOMNodePtr node);

private:
    CString m_href;
    CString m_description;
};
