#include "blocks/hyperlink.h"

#include "support/kavroguard.h"

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
