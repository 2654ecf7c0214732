// The XML document object model the module uses: documents, elements, texts, comments and
// processing instructions, with the element namespaces tracked so that a saved file declares
// them correctly. Files are parsed and written by pugixml.
//
// Nodes are shared objects held by smart pointers. A node made by one document may be
// appended anywhere, in that document or another; appending a node that already has a
// parent moves it. Calling through an empty pointer raises _com_error(E_POINTER), and a
// failing operation raises _com_error with a description, as the COM wrappers do.
//
// Reading: whitespace-only text between elements is dropped, namespaces are resolved from
// the declarations in the file, and an element's text is the concatenation of all the text
// under it with white space trimmed from both ends.
// Writing: UTF-8 with the declaration <?xml version="1.0" encoding="UTF-8"?>, elements
// indented by tabs, and a namespace declaration on every element whose namespace differs
// from what is in scope at its parent.
#pragma once

#include "mfc/cstring.h"
#include "win/com.h"

#include <memory>
#include <optional>
#include <vector>

namespace MSXML2 {

enum DOMNodeType {
    NODE_INVALID = 0,
    NODE_ELEMENT = 1,
    NODE_ATTRIBUTE = 2,
    NODE_TEXT = 3,
    NODE_CDATA_SECTION = 4,
    NODE_PROCESSING_INSTRUCTION = 7,
    NODE_COMMENT = 8,
    NODE_DOCUMENT = 9,
};

class IXMLDOMNode;
class IXMLDOMNodeList;
class IXMLDOMDocument;

// An owning pointer to a DOM object; -> on an empty pointer raises _com_error(E_POINTER).
template <class T>
class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(std::shared_ptr<T> p) : m_p(std::move(p)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& other) : m_p(other.shared()) {}

    T* operator->() const
    {
        if (!m_p)
            _com_issue_error(E_POINTER);
        return m_p.get();
    }
    T& operator*() const { return *operator->(); }
    explicit operator bool() const { return m_p != nullptr; }
    bool operator==(std::nullptr_t) const { return m_p == nullptr; }
    bool operator!=(std::nullptr_t) const { return m_p != nullptr; }
    template <class U>
    bool operator==(const ComPtr<U>& o) const { return m_p == o.shared(); }
    T* GetInterfacePtr() const { return m_p.get(); }
    void Release() { m_p.reset(); }
    const std::shared_ptr<T>& shared() const { return m_p; }

    // Makes a new document for the class name "Msxml2.DOMDocument" (only for document
    // pointers); fails with REGDB_E_CLASSNOTREG for other names or while the component is
    // made unavailable (see setDocumentsAvailable).
    HRESULT CreateInstance(const char* progId);

private:
    std::shared_ptr<T> m_p;
};

using IXMLDOMNodePtr = ComPtr<IXMLDOMNode>;
using IXMLDOMElementPtr = ComPtr<IXMLDOMNode>;
using IXMLDOMProcessingInstructionPtr = ComPtr<IXMLDOMNode>;
using IXMLDOMTextPtr = ComPtr<IXMLDOMNode>;
using IXMLDOMNodeListPtr = ComPtr<IXMLDOMNodeList>;
using IXMLDOMDocumentPtr = ComPtr<IXMLDOMDocument>;

class IXMLDOMNode : public std::enable_shared_from_this<IXMLDOMNode>
{
public:
    virtual ~IXMLDOMNode();

    DOMNodeType get_nodeType() const { return m_type; }
    // The qualified name for an element, the target for an instruction, "#text",
    // "#comment", "#cdata-section" or "#document" for the others.
    CString get_nodeName() const;
    // The name without its prefix.
    CString get_baseName() const;
    CString get_prefix() const;
    CString get_namespaceURI() const { return m_namespace ? CString(*m_namespace) : CString(); }
    // The text of a text, comment, CDATA or instruction node; none for elements and documents.
    std::optional<CString> get_nodeValue() const;
    void put_nodeValue(const CString& value);
    CString get_text() const;
    // Replaces the node's content with one text node (no node for an empty text).
    void put_text(const CString& text);
    // The node and everything under it as XML text.
    CString get_xml() const;

    IXMLDOMNodePtr get_parentNode() const;
    IXMLDOMNodeListPtr get_childNodes();
    IXMLDOMNodePtr get_firstChild() const;
    IXMLDOMNodePtr get_lastChild() const;
    IXMLDOMNodePtr get_nextSibling() const;
    IXMLDOMNodePtr get_previousSibling() const;
    bool hasChildNodes() const { return !m_children.empty(); }

    IXMLDOMNodePtr appendChild(const IXMLDOMNodePtr& child);
    // Inserts before reference, or appends when reference is empty.
    IXMLDOMNodePtr insertBefore(const IXMLDOMNodePtr& child, const IXMLDOMNodePtr& reference);
    IXMLDOMNodePtr removeChild(const IXMLDOMNodePtr& child);
    IXMLDOMNodePtr replaceChild(const IXMLDOMNodePtr& child, const IXMLDOMNodePtr& old);
    IXMLDOMNodePtr cloneNode(bool deep) const;

    // The XPath "/*" (the document element) and plain child paths ("a", "a/b", "*").
    IXMLDOMNodePtr selectSingleNode(const CString& path);
    IXMLDOMNodeListPtr selectNodes(const CString& path);

    std::optional<CString> getAttribute(const CString& name) const;
    void setAttribute(const CString& name, const CString& value);
    void removeAttribute(const CString& name);

    // Number of children; the node at an index (O(1)).
    long childCount() const { return static_cast<long>(m_children.size()); }
    IXMLDOMNodePtr childAt(long index) const;

protected:
    friend class IXMLDOMDocument;
    friend struct DomIo;
    IXMLDOMNode(DOMNodeType type, CString name, CString value, CString ns)
        : m_type(type), m_name(std::move(name)), m_value(std::move(value)),
          m_namespace(ns.IsEmpty() ? nullptr : std::make_shared<const std::string>(ns.str())) {}

    void insertAt(size_t index, const std::shared_ptr<IXMLDOMNode>& child);
    void detach();
    void appendText(std::string& out) const;
    const IXMLDOMNode* root() const;

    DOMNodeType m_type;
    CString m_name;      // qualified name, or the target of an instruction
    CString m_value;     // text of text-like nodes and instructions
    // Namespace URI of an element (null: none), shared by the elements read from one declaration.
    std::shared_ptr<const std::string> m_namespace;
    std::vector<std::pair<CString, CString>> m_attributes;
    std::vector<std::shared_ptr<IXMLDOMNode>> m_children;
    IXMLDOMNode* m_parent = nullptr;
    size_t m_index = 0; // position among the parent's children
};

// A live list of a node's children, or a fixed list of selected nodes.
class IXMLDOMNodeList
{
public:
    explicit IXMLDOMNodeList(std::shared_ptr<IXMLDOMNode> parent) : m_parent(std::move(parent)) {}
    explicit IXMLDOMNodeList(std::vector<IXMLDOMNodePtr> nodes) : m_nodes(std::move(nodes)) {}

    long get_length() const;
    // The node at index, or an empty pointer outside the list.
    IXMLDOMNodePtr get_item(long index) const;

private:
    std::shared_ptr<IXMLDOMNode> m_parent;
    std::vector<IXMLDOMNodePtr> m_nodes;
};

class IXMLDOMDocument : public IXMLDOMNode
{
public:
    IXMLDOMDocument() : IXMLDOMNode(NODE_DOCUMENT, "#document", CString(), CString()) {}

    static IXMLDOMDocumentPtr create();

    // Loads a file; on failure the document is left empty, the reason is kept, and the
    // result is false (no exception).
    bool load(const CString& path);
    bool loadXML(const CString& text);
    // Writes the document to the path, replacing a file there; raises _com_error, described
    // by the path and the system's reason, when the file cannot be written.
    void save(const CString& path);
    CString parseErrorReason() const { return m_parseError; }

    IXMLDOMNodePtr get_documentElement() const;

    IXMLDOMNodePtr createNode(int type, const CString& name, const CString& namespaceURI);
    IXMLDOMNodePtr createElement(const CString& name);
    IXMLDOMNodePtr createTextNode(const CString& text);
    IXMLDOMNodePtr createComment(const CString& text);
    IXMLDOMNodePtr createCDATASection(const CString& text);
    IXMLDOMNodePtr createProcessingInstruction(const CString& target, const CString& data);

private:
    bool parse(const char* data, size_t size, const CString& what);
    size_t depth() const;
    CString m_parseError;
};

// Tests switch the XML component off to see how callers cope with its absence.
void setDocumentsAvailable(bool available);
bool documentsAvailable();

template <class T>
HRESULT ComPtr<T>::CreateInstance(const char* progId)
{
    if constexpr (std::is_same_v<T, IXMLDOMDocument>) {
        const CString id(progId);
        if (documentsAvailable() && (id == "Msxml2.DOMDocument" || id.Find("Msxml2.DOMDocument.") == 0)) {
            m_p = IXMLDOMDocument::create().shared();
            return S_OK;
        }
    }
    m_p.reset();
    return REGDB_E_CLASSNOTREG;
}

} // namespace MSXML2
