#include "blocks/hyperlink.h"

#include "support/kavroguard.h"
#include "support/utilities.h"

CHyperlink::CHyperlink(CString href, CString description)
{
    setHref(std::move(href));
    setDescription(std::move(description));
}

MSXML2::IXMLDOMNodePtr CHyperlink::serialize(CString namespaceURI) const
{
    return kavroGuard("CHyperlink::serialize", __FILE__, [&] {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr element = xml.createNode("hyperlink", namespaceURI);
        element->appendChild(xml.createNode("bhHref", m_href, namespaceURI));
        if (!m_description.IsEmpty())
            element->appendChild(xml.createNode("bhDescription", m_description, namespaceURI));
        return element;
    });
}

void CHyperlink::deSerialize(MSXML2::IXMLDOMNodePtr node)
{
    kavroGuard("CHyperlink::deSerialize", __FILE__, [&] {
        if (!node || node->get_nodeName() != "hyperlink" || !node->hasChildNodes())
            return;
        for (long i = 0; i < node->childCount(); ++i) {
            const MSXML2::IXMLDOMNodePtr child = node->childAt(i);
            if (child->get_nodeName() == "bhHref")
                m_href = child->get_text();
            else if (child->get_nodeName() == "bhDescription")
                m_description = child->get_text();
        }
    });
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
