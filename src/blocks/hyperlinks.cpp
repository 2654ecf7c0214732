#include "blocks/hyperlinks.h"

#include "arx/dbdatabase.h"
#include "owning.h"
#include "support/kavroguard.h"
#include "support/xmlutilities.h"

#include <memory>
#include <vector>

namespace {

constexpr const char* kHyperlinkApp = "PE_URL";

using Chain = std::unique_ptr<resbuf, int (*)(resbuf*)>;

Chain owned(resbuf* chain)
{
    return Chain(chain, acutRelRb);
}

} // namespace

CHyperlinks::CHyperlinks(AcDbBlockReference* reference)
{
    kavroGuard("CHyperlinks::CHyperlinks", __FILE__, [&] { getEntityHyperlinks(reference); });
}

CHyperlinks::~CHyperlinks()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

void CHyperlinks::add(CHyperlink* hyperlink)
{
    kavroGuard("CHyperlinks::add", __FILE__, [&] {
        if (!findFirst(m_items, [&](const CHyperlink* item) { return item->getHref() == hyperlink->getHref(); }))
            m_items.Add(hyperlink);
    });
}

void CHyperlinks::adopt(CHyperlink* hyperlink)
{
    const int before = getCount();
    add(hyperlink);
    if (getCount() == before)
        delete hyperlink;
}

void CHyperlinks::deleteObjects()
{
    kavroGuard("CHyperlinks::deleteObjects", __FILE__, [&] { deleteAll(m_items); });
}

void CHyperlinks::copyTo(CHyperlinks* target) const
{
    kavroGuard("CHyperlinks::copyTo", __FILE__, [&] {
        for (const CHyperlink* item : m_items)
            target->adopt(copyOf(*item));
    });
}

MSXML2::IXMLDOMNodePtr CHyperlinks::serialize(CString namespaceURI) const
{
    return kavroGuard("CHyperlinks::serialize", __FILE__, [&] {
        MSXML2::IXMLDOMNodePtr element = CXMLUtilities().createNode("hyperlinks", namespaceURI);
        for (const CHyperlink* item : m_items)
            element->appendChild(item->serialize(namespaceURI));
        return element;
    });
}

void CHyperlinks::deSerialize(MSXML2::IXMLDOMNodeListPtr nodes)
{
    kavroGuard("CHyperlinks::deSerialize", __FILE__, [&] {
        if (!nodes)
            return;
        for (long i = 0; i < nodes->get_length(); ++i) {
            const MSXML2::IXMLDOMNodePtr node = nodes->get_item(i);
            if (node->get_nodeName() != "hyperlink")
                continue;
            auto item = std::make_unique<CHyperlink>();
            item->deSerialize(node);
            adopt(item.release());
        }
    });
}

void CHyperlinks::getEntityHyperlinks(AcDbEntity* entity)
{
    kavroGuard("CHyperlinks::getEntityHyperlinks", __FILE__, [&] {
        const Chain chain = owned(entity->xData(kHyperlinkApp));
        std::vector<CString> texts;
        for (const resbuf* rb = chain.get(); rb; rb = rb->rbnext)
            if (rb->restype == 1000)
                texts.emplace_back(rb->resval.rstring);
        if (!texts.empty())
            adopt(new CHyperlink(texts[0], texts.size() > 1 ? texts[1] : CString()));
    });
}

Acad::ErrorStatus CHyperlinks::setEntityHyperlinks(AcDbEntity* entity, bool reversed) const
{
    return kavroGuard("CHyperlinks::setEntityHyperlinks", __FILE__, [&] {
        if (m_items.IsEmpty()) {
            if (!owned(entity->xData(kHyperlinkApp)))
                return Acad::eOk;
            const Chain removal = owned(acutBuildList(1001, kHyperlinkApp, 0));
            return entity->setXData(removal.get());
        }
        acdbRegApp(kHyperlinkApp, entity->database());
        const CHyperlink* first = m_items.GetAt(reversed ? getCount() - 1 : 0);
        const Chain link = owned(acutBuildList(1001, kHyperlinkApp, 1000, first->getHref().GetString(), 1002, "{",
                                               1000, first->getDescription().GetString(), 1002, "}", 0));
        return entity->setXData(link.get());
    });
}
