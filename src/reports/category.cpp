#include "reports/category.h"

#include "blocks/assets.h"
#include "blocks/blocks.h"
#include "blocks/hatch.h"
#include "support/kavroguard.h"
#include "support/utilities.h"
#include "support/xmlutilities.h"

#include <memory>
#include <utility>

namespace {

// A category owns the space blocks its list holds as well as the list: the list itself lets
// go of drawing-side blocks without destroying them.
void destroyList(CBlocks* blocks)
{
    if (!blocks)
        return;
    blocks->destroyBlocks();
    delete blocks;
}

} // namespace

CCategory::~CCategory()
{
    cleanUpQuietly([this] { destroyList(m_blocks); });
    delete m_assets;
    delete m_hatch;
}

MSXML2::IXMLDOMNodePtr CCategory::serialize(CString namespaceURI)
{
    return kavroGuard("CCategory::serialize", __FILE__, [&] {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr element = xml.createNode("category", namespaceURI);
        element->appendChild(xml.createNode("cID", CUtilities::IntToCString(m_id), namespaceURI));
        element->appendChild(xml.createNode("cTitle", m_title, namespaceURI));
        if (m_hatch) {
            element->appendChild(xml.createNode("cHatchPattern", m_hatch->getPattern(), namespaceURI));
            element->appendChild(
                xml.createNode("cHatchColour", CUtilities::acadColourToHash(m_hatch->getColour()), namespaceURI));
            element->appendChild(
                xml.createNode("cHatchScale", CUtilities::IntToCString(m_hatch->getScale()), namespaceURI));
            element->appendChild(
                xml.createNode("cHatchAngle", CUtilities::IntToCString(m_hatch->getAngle()), namespaceURI));
            element->appendChild(xml.createNode("cHatchLayer", m_hatch->getLayer(), namespaceURI));
        }
        if (m_blocks)
            element->appendChild(m_blocks->serialize(namespaceURI));
        if (m_assets)
            element->appendChild(m_assets->serialize(namespaceURI));
        return element;
    });
}

void CCategory::deSerialize(MSXML2::IXMLDOMNodePtr node)
{
    kavroGuard("CCategory::deSerialize", __FILE__, [&] {
        if (!node || node->get_nodeName() != "category" || !node->hasChildNodes())
            return;
        for (long i = 0; i < node->childCount(); ++i)
            readChild(node->childAt(i));
    });
}

void CCategory::readChild(const MSXML2::IXMLDOMNodePtr& child)
{
    const CString name = child->get_nodeName();
    const CString text = child->get_text();
    if (name == "kavroBlocks") {
        readBlocks(child);
    } else if (name == "assets") {
        readAssets(child);
    } else if (name == "cID") {
        m_id = static_cast<int>(CUtilities::CStringToLong(text));
    } else if (name == "cTitle") {
        m_title = text;
    } else if (name == "cHatchPattern") {
        if (!m_hatch)
            m_hatch = new CHatch;
        m_hatch->setPattern(text);
    } else if (!m_hatch) {
        // Hatch settings before any "cHatchPattern" have no style to go to: they are skipped.
    } else if (name == "cHatchColour") {
        AcCmColor colour;
        colour.setRGB(static_cast<Adesk::UInt8>(CUtilities::_httoi(text.Mid(1, 2).GetString())),
                      static_cast<Adesk::UInt8>(CUtilities::_httoi(text.Mid(3, 2).GetString())),
                      static_cast<Adesk::UInt8>(CUtilities::_httoi(text.Mid(5, 2).GetString())));
        m_hatch->setColour(colour);
    } else if (name == "cHatchScale") {
        m_hatch->setScale(CUtilities::CStringToInt(text));
    } else if (name == "cHatchAngle") {
        m_hatch->setAngle(CUtilities::CStringToInt(text));
    } else if (name == "cHatchLayer") {
        m_hatch->setLayer(text);
    }
}

// The lists take the hatch style the category has so far: one that "cHatchPattern" made
// before them, as the writer orders the children. A second list element replaces the first.
void CCategory::readBlocks(const MSXML2::IXMLDOMNodePtr& element)
{
    std::unique_ptr<CBlocks, void (*)(CBlocks*)> blocks(new CBlocks, destroyList);
    blocks->deSerialize(element->get_childNodes(), m_hatch);
    destroyList(std::exchange(m_blocks, blocks.release()));
}

void CCategory::readAssets(const MSXML2::IXMLDOMNodePtr& element)
{
    auto assets = std::make_unique<CAssets>();
    assets->deSerialize(element->get_childNodes(), m_hatch);
    delete std::exchange(m_assets, assets.release());
}

bool CCategory::isDuplicateOf(const CCategory& other) const
{
    if (m_title != other.m_title)
        return false;
    if (!m_hatch || !other.m_hatch)
        return !m_hatch && !other.m_hatch;
    const CHatch& a = *m_hatch;
    const CHatch& b = *other.m_hatch;
    return a.getColour() == b.getColour() && a.getPattern() == b.getPattern() && a.getAngle() == b.getAngle()
        && a.getScale() == b.getScale();
}
