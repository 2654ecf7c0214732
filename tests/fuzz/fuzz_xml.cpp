// Loads an XML document from arbitrary text, walks every node through the accessors the
// module uses, and writes it as text and as a file. What is written must load again, and
// the text written from that must be the same: reading our own output loses nothing.
#include "common/tempdir.h"
#include "msxml/dom.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace MSXML2;

namespace {

[[noreturn]] void fail(const char* what, const char* reason = "")
{
    std::fprintf(stderr, "%s%s\n", what, reason);
    std::abort();
}

// Reads everything a node offers, its children by index and by sibling links alike.
void visit(const IXMLDOMNodePtr& node)
{
    node->get_nodeName();
    node->get_baseName();
    node->get_prefix();
    node->get_nodeValue();
    node->get_parentNode();
    if (node->get_nodeType() == NODE_ELEMENT) {
        node->get_text();
        node->getAttribute("xmlns");
        node->selectSingleNode("*");
    }
    IXMLDOMNodePtr byLink = node->get_firstChild();
    for (long i = 0; i < node->childCount(); ++i, byLink = byLink->get_nextSibling())
        if (!(node->childAt(i) == byLink))
            fail("a child by index is not the child by sibling links");
    if (byLink)
        fail("the sibling links go past the last child");
}

void walk(const IXMLDOMNodePtr& root)
{
    std::vector<IXMLDOMNodePtr> pending{root};
    while (!pending.empty()) {
        const IXMLDOMNodePtr node = pending.back();
        pending.pop_back();
        visit(node);
        for (long i = 0; i < node->childCount(); ++i)
            pending.push_back(node->childAt(i));
    }
}

IXMLDOMDocumentPtr newDocument()
{
    IXMLDOMDocumentPtr document;
    document.CreateInstance("Msxml2.DOMDocument");
    return document;
}

const TempDir& folder()
{
    static const TempDir dir;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const IXMLDOMDocumentPtr document = newDocument();
    if (!document->loadXML(CString(std::string(reinterpret_cast<const char*>(data), size))))
        return 0;
    walk(document);
    document->selectNodes("/*");
    const CString text = document->get_xml();

    const IXMLDOMDocumentPtr again = newDocument();
    if (!again->loadXML(text))
        fail("the reader refused the written text: ", again->parseErrorReason().GetString());
    if (again->get_xml() != text)
        fail("the text written from a written text differs");

    const CString path = folder().file("fuzz.xml").c_str();
    document->save(path);
    const IXMLDOMDocumentPtr file = newDocument();
    if (!file->load(path))
        fail("the reader refused the written file: ", file->parseErrorReason().GetString());
    return 0;
}
