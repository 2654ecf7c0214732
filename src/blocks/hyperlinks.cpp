#include "blocks/hyperlinks.h"

#include "arx/dbdatabase.h"
#include "support/kavroguard.h"

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
    try {
        deleteObjects();
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
    }
}

void CHyperlinks::add(CHyperlink* hyperlink)
{
    kavroGuard("CHyperlinks::add", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            if (m_items.GetAt(i)->getHref() == hyperlink->getHref())
                return;
        m_items.Add(hyperlink);
        ++m_count;
    });
}

void CHyperlinks::adopt(CHyperlink* hyperlink)
{
    const int before = m_count;
    add(hyperlink);
    if (m_count == before)
        delete hyperlink;
}

void CHyperlinks::deleteObjects()
{
    kavroGuard("CHyperlinks::deleteObjects", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            delete m_items.GetAt(i);
        m_items.RemoveAll();
        m_count = 0;
    });
}

void CHyperlinks::copyTo(CHyperlinks* target) const
{
    kavroGuard("CHyperlinks::copyTo", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i) {
            auto* copy = new CHyperlink;
            m_items.GetAt(i)->copyTo(copy);
            target->adopt(copy);
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
        if (m_count == 0) {
            if (!owned(entity->xData(kHyperlinkApp)))
                return Acad::eOk;
            const Chain removal = owned(acutBuildList(1001, kHyperlinkApp, 0));
            return entity->setXData(removal.get());
        }
        acdbRegApp(kHyperlinkApp, entity->database());
        const CHyperlink* first = m_items.GetAt(reversed ? m_count - 1 : 0);
        const Chain link = owned(acutBuildList(1001, kHyperlinkApp, 1000, first->getHref().GetString(), 1002, "{",
                                               1000, first->getDescription().GetString(), 1002, "}", 0));
        return entity->setXData(link.get());
    });
}
