#include "blocks/hyperlink.h"

#include "support/kavroguard.h"
#include "support/utilities.h"

CHyperlink::CHyperlink(CString href, CString description)
{
    setHref(std::move(href));
    setDescription(std::move(description));
}

void CHyperlink::copyTo(CHyperlink* target) const
{
    kavroGuard("CHyperlink::copyTo", __FILE__, [&] {
        target->setHref(m_href);
        target->setDescription(m_description);
    });
}

void CHyperlink::setHyperlink(CString base, int id)
{
    kavroGuard("CHyperlink::setHyperlink", __FILE__, [&] {
        setHref(base + "?pb=10&page=1" + "&id=" + CUtilities::LongToCString(id));
    });
}
