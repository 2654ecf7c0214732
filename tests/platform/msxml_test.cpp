#include "common/tempdir.h"
#include "msxml/dom.h"

#include <gtest/gtest.h>

using namespace MSXML2;

namespace {

IXMLDOMDocumentPtr newDocument()
{
    IXMLDOMDocumentPtr doc;
    EXPECT_EQ(doc.CreateInstance("Msxml2.DOMDocument"), S_OK);
    return doc;
}

// Parses XML text with Python's own parser and prints each element as {namespace}name.
std::string pythonView(const std::string& path)
{
    const std::string command =
        "/usr/bin/python3 -c \"import sys,xml.etree.ElementTree as E; "
        "print(' '.join(e.tag for e in E.parse(sys.argv[1]).iter()))\" " + path;
    FILE* p = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;)
        out.append(buffer, n);
    pclose(p);
    return out;
}

} // namespace

TEST(Dom, SavedFilesDeclareNamespacesWhereTheyChange)
{
    TempDir dir;
    IXMLDOMDocumentPtr doc = newDocument();
    doc->appendChild(doc->createProcessingInstruction("xml", "version=\"1.0\" encoding=\"UTF-8\""));
    doc->appendChild(doc->createProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"debugLog.xsl\""));
    IXMLDOMNodePtr root = doc->createNode(NODE_ELEMENT, "debugging", "urn:a");
    doc->appendChild(root);
    IXMLDOMNodePtr call = doc->createNode(NODE_ELEMENT, "call", "urn:a");
    IXMLDOMNodePtr proc = doc->createNode(NODE_ELEMENT, "storedProcedure", "urn:b");
    IXMLDOMNodePtr inner = doc->createNode(NODE_ELEMENT, "name", "urn:a");
    inner->put_text("__to_x & <y>");
    proc->appendChild(inner);
    call->appendChild(proc);
    call->appendChild(doc->createElement("plain"));
    root->appendChild(call);
    doc->save(dir.file("log.xml").c_str());

    const std::string text = readFile(dir.file("log.xml"));
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(text.find("<?xml-stylesheet type=\"text/xsl\" href=\"debugLog.xsl\"?>"), std::string::npos);
    EXPECT_EQ(pythonView(dir.file("log.xml")),
              "{urn:a}debugging {urn:a}call {urn:b}storedProcedure {urn:a}name plain\n");

    IXMLDOMDocumentPtr back = newDocument();
    ASSERT_TRUE(back->load(dir.file("log.xml").c_str()));
    IXMLDOMNodePtr name = back->selectSingleNode("/*")->get_firstChild()->get_firstChild()->get_firstChild();
    EXPECT_EQ(name->get_namespaceURI(), "urn:a");
    EXPECT_EQ(name->cloneNode(true)->get_namespaceURI(), "urn:a");
    EXPECT_EQ(back->selectSingleNode("/*")->get_firstChild()->get_lastChild()->get_namespaceURI(), "");
    EXPECT_EQ(name->get_text(), "__to_x & <y>");
    // Saving what was read declares nothing twice.
    back->save(dir.file("again.xml").c_str());
    EXPECT_EQ(readFile(dir.file("again.xml")), text);
}

TEST(Dom, NodesMoveBetweenDocumentsWithTheirContent)
{
    IXMLDOMDocumentPtr maker = newDocument();
    IXMLDOMDocumentPtr target = newDocument();
    ASSERT_TRUE(target->loadXML("<errors xmlns=\"urn:e\"><error/></errors>"));
    IXMLDOMNodePtr record = maker->createNode(NODE_ELEMENT, "error", "urn:e");
    IXMLDOMNodePtr root = target->get_documentElement();
    root->appendChild(record);
    // Changes after the move are seen in the target: the node was moved, not copied.
    record->appendChild(maker->createNode(NODE_ELEMENT, "class", "urn:e"));
    EXPECT_EQ(root->get_childNodes()->get_length(), 2);
    EXPECT_EQ(root->get_xml(), "<errors xmlns=\"urn:e\"><error/><error><class/></error></errors>");
    // Appending again moves it within the list.
    root->insertBefore(record, root->get_firstChild());
    EXPECT_EQ(root->get_firstChild(), record);
    EXPECT_EQ(root->get_childNodes()->get_length(), 2);
}

TEST(Dom, ChildListsAreLiveAndIndexed)
{
    IXMLDOMDocumentPtr doc = newDocument();
    ASSERT_TRUE(doc->loadXML("<r><!-- note --><a>1</a><?pi data?><b x=\"1\">2</b></r>"));
    IXMLDOMNodePtr r = doc->selectSingleNode("/*");
    IXMLDOMNodeListPtr children = r->get_childNodes();
    ASSERT_EQ(children->get_length(), 4);
    EXPECT_EQ(children->get_item(0)->get_nodeType(), NODE_COMMENT);
    EXPECT_EQ(children->get_item(0)->get_nodeName(), "#comment");
    EXPECT_EQ(*children->get_item(0)->get_nodeValue(), " note ");
    EXPECT_EQ(children->get_item(2)->get_nodeName(), "pi");
    EXPECT_FALSE(children->get_item(1)->get_nodeValue().has_value());
    EXPECT_EQ(children->get_item(4), nullptr);
    EXPECT_EQ(*children->get_item(3)->getAttribute("x"), "1");
    r->removeChild(children->get_item(0));
    EXPECT_EQ(children->get_length(), 3);
    EXPECT_EQ(children->get_item(1)->get_nextSibling()->get_baseName(), "b");
    EXPECT_EQ(children->get_item(1)->get_previousSibling()->get_baseName(), "a");
    EXPECT_EQ(r->get_text(), "12");
}

TEST(Dom, TextsAreTrimmedAndReplaced)
{
    IXMLDOMDocumentPtr doc = newDocument();
    ASSERT_TRUE(doc->loadXML("<p:r xmlns:p=\"urn:p\">\n  <p:name>\n   Room 1\n  </p:name>\n</p:r>"));
    IXMLDOMNodePtr name = doc->get_documentElement()->get_firstChild();
    EXPECT_EQ(name->get_nodeName(), "p:name");
    EXPECT_EQ(name->get_baseName(), "name");
    EXPECT_EQ(name->get_prefix(), "p");
    EXPECT_EQ(name->get_namespaceURI(), "urn:p");
    EXPECT_EQ(name->get_text(), "Room 1");
    name->put_text("");
    EXPECT_FALSE(name->hasChildNodes());
    name->put_text("x");
    name->put_text("y");
    EXPECT_EQ(name->get_childNodes()->get_length(), 1);
    EXPECT_EQ(doc->get_documentElement()->get_xml(), "<p:r xmlns:p=\"urn:p\"><p:name>y</p:name></p:r>");

    // White space written as references is white space all the same.
    ASSERT_TRUE(doc->loadXML("<r><a>&#x20;&#9;&#10;</a><b> &#32;x </b></r>"));
    EXPECT_FALSE(doc->get_documentElement()->get_firstChild()->hasChildNodes());
    EXPECT_EQ(doc->get_xml(), "<r><a/><b>  x </b></r>");

    // Carriage returns, also as references, read as line feeds, so text reads back alike.
    ASSERT_TRUE(doc->loadXML("<r><a>1&#xd;2&#13;\n3</a></r>"));
    EXPECT_EQ(doc->get_documentElement()->get_text(), "1\n2\n3");
    const CString written = doc->get_xml();
    ASSERT_TRUE(doc->loadXML(written));
    EXPECT_EQ(doc->get_xml(), written);
}

TEST(Dom, SelectionOfTheRootAndOfChildPaths)
{
    IXMLDOMDocumentPtr doc = newDocument();
    ASSERT_TRUE(doc->loadXML("<report><layers><layer>A</layer><layer>B</layer></layers></report>"));
    EXPECT_EQ(doc->selectSingleNode("/*")->get_nodeName(), "report");
    EXPECT_EQ(doc->selectNodes("/report/layers/layer")->get_length(), 2);
    EXPECT_EQ(doc->get_documentElement()->selectSingleNode("layers/*")->get_text(), "A");
    EXPECT_EQ(doc->selectSingleNode("/nothing"), nullptr);
    EXPECT_THROW(doc->selectNodes("//layer[1]"), _com_error);
}

TEST(Dom, BadInputIsAnErrorNotACrash)
{
    TempDir dir;
    IXMLDOMDocumentPtr doc = newDocument();
    EXPECT_FALSE(doc->loadXML("<a><b></a>"));
    EXPECT_EQ(doc->get_documentElement(), nullptr);
    EXPECT_FALSE(doc->loadXML(""));
    EXPECT_FALSE(doc->load(dir.file("missing.xml").c_str()));
    EXPECT_FALSE(doc->parseErrorReason().IsEmpty());
    // Deep nesting neither overflows the stack on reading nor on writing.
    std::string deep;
    for (int i = 0; i < 200000; ++i)
        deep += "<d>";
    for (int i = 0; i < 200000; ++i)
        deep += "</d>";
    ASSERT_TRUE(doc->loadXML(deep.c_str()));
    doc->save(dir.file("deep.xml").c_str());

    IXMLDOMNodePtr a = doc->createElement("a");
    EXPECT_THROW(a->appendChild(a), _com_error);
    EXPECT_THROW(doc->appendChild(doc->createElement("second")), _com_error);
    EXPECT_THROW(doc->createElement("bad name"), _com_error);
    EXPECT_THROW(doc->save((dir.file("no/such/folder/x.xml")).c_str()), _com_error);

    IXMLDOMNodePtr empty;
    try {
        empty->get_text();
        FAIL();
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
}

TEST(Dom, CharacterReferencesToCharactersXmlForbidsAreRefused)
{
    IXMLDOMDocumentPtr doc = newDocument();
    // NUL would cut the text short ("B" lost); 2^32 wraps to NUL in a 32-bit decoder.
    for (const char* text : {"<r>&#0;B</r>", "<r a=\"&#x0000;\"/>", "<?xml version=\"&#0;\"?><r/>", "<r>&#xD800;</r>",
                             "<r>&#x110000;</r>", "<r>&#4294967296;</r>", "<r><s><t/></s><u>&#00;</u></r>"}) {
        EXPECT_FALSE(doc->loadXML(text)) << text;
        EXPECT_NE(doc->parseErrorReason().Find("character reference"), -1) << text;
    }
    // Allowed characters, and references that are not references, read as before.
    ASSERT_TRUE(doc->loadXML("<r a=\"&#x41;\">&#66;&#x10FFFF;&#1;&#x;&#0<![CDATA[&#0;]]><!-- &#0; --><?p &#0;?></r>"));
    EXPECT_EQ(doc->get_documentElement()->getAttribute("a"), CString("A"));
    EXPECT_EQ(doc->get_documentElement()->get_firstChild()->get_nodeValue(), CString("B\xF4\x8F\xBF\xBF\x01&#x;&#0"));
    IXMLDOMDocumentPtr again = newDocument();
    ASSERT_TRUE(again->loadXML(doc->get_xml()));
    EXPECT_EQ(again->get_xml(), doc->get_xml());
}

TEST(Dom, AFailedSaveKeepsTheOldFile)
{
    TempDir dir;
    const std::string path = dir.file("keep.xml");
    writeFile(path, "<old/>");
    IXMLDOMDocumentPtr doc = newDocument();
    doc->appendChild(doc->createElement("new"));
    std::filesystem::create_directory(dir.file("ro"));
    const int result = runUnprivileged([&] {
        try {
            doc->save(path.c_str());
            return 1;
        } catch (const _com_error&) {
            return 0;
        }
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), "<old/>");
}

TEST(Dom, TheComponentCanBeMissing)
{
    setDocumentsAvailable(false);
    IXMLDOMDocumentPtr doc;
    EXPECT_EQ(doc.CreateInstance("Msxml2.DOMDocument"), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(doc);
    setDocumentsAvailable(true);
    EXPECT_EQ(doc.CreateInstance("Other.Document"), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(doc.CreateInstance("Msxml2.DOMDocument.6.0"), S_OK);
}
