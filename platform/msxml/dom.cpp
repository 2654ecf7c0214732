#include "msxml/dom.h"

#include "posix/atomicfile.h"

#include "win/winbase.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <string_view>

namespace MSXML2 {

namespace {

bool available = true;

[[noreturn]] void fail(HRESULT hr, const char* description)
{
    _com_issue_errorex(hr, ErrorInfo{description, "msxml3.dll"});
}

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isXmlSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isXmlSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view prefixOf(std::string_view qualified)
{
    const size_t colon = qualified.find(':');
    return colon == std::string_view::npos ? std::string_view() : qualified.substr(0, colon);
}

// A namespace URI, shared by the elements that take it from one declaration (null: none).
using Uri = std::shared_ptr<const std::string>;

const std::string& textOf(const Uri& uri)
{
    static const std::string none;
    return uri ? *uri : none;
}

// The namespace declarations in force at an element. Elements that declare nothing share
// their parent's scope, and the default namespace is resolved once per scope, so lookups
// cost nothing for the usual document however deep it is.
struct Scope
{
    const Scope* parent = nullptr;
    Uri defaultNamespace;
    std::vector<std::pair<std::string, Uri>> declarations; // prefix -> URI

    void declare(const std::string& prefix, const std::string& uri)
    {
        declarations.emplace_back(prefix, std::make_shared<const std::string>(uri));
        if (prefix.empty())
            defaultNamespace = declarations.back().second;
    }

    std::optional<Uri> lookup(std::string_view prefix) const
    {
        if (prefix.empty())
            return defaultNamespace;
        for (const Scope* s = this; s; s = s->parent)
            for (auto it = s->declarations.rbegin(); it != s->declarations.rend(); ++it)
                if (it->first == prefix)
                    return it->second;
        if (prefix == "xml")
            return std::make_shared<const std::string>("http://www.w3.org/XML/1998/namespace");
        return std::nullopt;
    }
};

const Scope rootScope;

// The prefix that an attribute name declares: "" for xmlns, "p" for xmlns:p, none otherwise.
std::optional<std::string> declaredPrefix(std::string_view attribute)
{
    if (attribute == "xmlns")
        return std::string();
    if (attribute.substr(0, 6) == "xmlns:")
        return std::string(attribute.substr(6));
    return std::nullopt;
}

// True when the text holds a character reference ("&#0;", "&#xD800;") to a character
// that XML does not allow: NUL, a surrogate, or a number beyond Unicode.
bool refersToForbiddenCharacter(std::string_view text)
{
    for (size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2)) {
        size_t i = at + 2;
        const bool hex = i < text.size() && text[i] == 'x';
        const unsigned base = hex ? 16 : 10;
        i += hex ? 1 : 0;
        const size_t first = i;
        unsigned long code = 0;
        for (; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
            const unsigned digit = c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>(c - 'a' + 10);
            if (digit >= base)
                break;
            code = std::min(code * base + digit, 0x110000UL);
        }
        if (i > first && i < text.size() && text[i] == ';' &&
            (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
            return true;
    }
    return false;
}

// Whether a document that parses holds a forbidden character reference in a text or an
// attribute value. pugixml would decode one, and a NUL would cut the text short.
bool hasForbiddenReference(const char* data, size_t size, unsigned options)
{
    if (std::string_view(data, size).find("&#") == std::string_view::npos)
        return false;
    pugi::xml_document raw;
    if (!raw.load_buffer(data, size, options & ~pugi::parse_escapes))
        return false;
    for (pugi::xml_node node = raw.first_child(); node;) {
        if (node.type() == pugi::node_pcdata && refersToForbiddenCharacter(node.value()))
            return true;
        for (pugi::xml_attribute a : node.attributes())
            if (refersToForbiddenCharacter(a.value()))
                return true;
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling())
            node = node.parent();
        if (node)
            node = node.next_sibling();
    }
    return false;
}

// A text's carriage returns as line feeds (a pair as one), also those written as references:
// an element's text is written with its line ends as they are, and read back with line feeds.
CString lineEnds(const char* text)
{
    std::string s(text);
    if (s.find('\r') == std::string::npos)
        return CString(s);
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] != '\r')
            out += s[i];
        else if (i + 1 == s.size() || s[i + 1] != '\n')
            out += '\n';
    return CString(out);
}

struct StringWriter : pugi::xml_writer
{
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

} // namespace

void setDocumentsAvailable(bool a) { available = a; }
bool documentsAvailable() { return available; }

// Conversion between the tree and pugixml, without recursion so that deep files cannot
// exhaust the stack.
struct DomIo
{
    // A node and its reference count in one allocation: make_shared cannot reach the
    // node's own constructor.
    struct SharedNode final : IXMLDOMNode
    {
        SharedNode(DOMNodeType type, CString name, CString value, CString ns)
            : IXMLDOMNode(type, std::move(name), std::move(value), std::move(ns)) {}
    };

    static void read(pugi::xml_node from, IXMLDOMNode& to)
    {
        std::deque<Scope> scopes;
        struct Frame { pugi::xml_node src; IXMLDOMNode* dst; const Scope* scope; };
        std::vector<Frame> stack{{from, &to, &rootScope}};
        while (!stack.empty()) {
            const Frame frame = stack.back();
            stack.pop_back();
            for (pugi::xml_node child = frame.src.first_child(); child; child = child.next_sibling()) {
                const Scope* scope = frame.scope;
                if (auto node = convert(child, scope, scopes)) {
                    frame.dst->insertAt(frame.dst->m_children.size(), node);
                    if (node->m_type == NODE_ELEMENT)
                        stack.push_back({child, node.get(), scope});
                }
            }
        }
    }

    // The node for src; for an element, scope becomes the element's own scope.
    static std::shared_ptr<IXMLDOMNode> convert(pugi::xml_node src, const Scope*& scope, std::deque<Scope>& scopes)
    {
        auto make = [](DOMNodeType type, CString name, CString value, CString ns = CString()) {
            return std::shared_ptr<IXMLDOMNode>(
                std::make_shared<SharedNode>(type, std::move(name), std::move(value), std::move(ns)));
        };
        switch (src.type()) {
        case pugi::node_pcdata:
            // Text that is white space only once its references are decoded is dropped like
            // the white space between elements, so that what is written reads back the same.
            return trimmed(src.value()).empty() ? nullptr : make(NODE_TEXT, "#text", lineEnds(src.value()));
        case pugi::node_cdata: return make(NODE_CDATA_SECTION, "#cdata-section", src.value());
        case pugi::node_comment: return make(NODE_COMMENT, "#comment", src.value());
        case pugi::node_pi: return make(NODE_PROCESSING_INSTRUCTION, src.name(), src.value());
        case pugi::node_declaration: {
            std::string data;
            for (auto a : src.attributes()) {
                if (!data.empty())
                    data += ' ';
                data.append(a.name()).append("=\"").append(a.value()) += '"';
            }
            return make(NODE_PROCESSING_INSTRUCTION, "xml", CString(data));
        }
        case pugi::node_element: {
            auto node = make(NODE_ELEMENT, src.name(), CString());
            Scope* own = nullptr;
            for (auto a : src.attributes()) {
                if (auto prefix = declaredPrefix(a.name())) {
                    if (!own) {
                        own = &scopes.emplace_back();
                        own->parent = scope;
                        own->defaultNamespace = scope->defaultNamespace;
                    }
                    own->declare(*prefix, a.value());
                }
                node->m_attributes.emplace_back(a.name(), a.value());
            }
            if (own)
                scope = own;
            node->m_namespace = scope->lookup(prefixOf(src.name())).value_or(nullptr);
            return node;
        }
        default: return nullptr;
        }
    }

    // Writes node's children under out, declaring namespaces where they change.
    static void write(const IXMLDOMNode& from, pugi::xml_node out)
    {
        std::deque<Scope> scopes;
        struct Frame { const IXMLDOMNode* src; pugi::xml_node dst; const Scope* scope; };
        std::vector<Frame> stack{{&from, out, &rootScope}};
        while (!stack.empty()) {
            Frame frame = stack.back();
            stack.pop_back();
            for (const auto& child : frame.src->m_children) {
                if (child->m_type == NODE_ELEMENT) {
                    pugi::xml_node element = frame.dst.append_child(child->m_name.GetString());
                    const Scope* scope = writeElement(*child, element, frame.scope, scopes);
                    stack.push_back({child.get(), element, scope});
                } else {
                    writeLeaf(*child, frame.dst);
                }
            }
        }
    }

    // Writes the element's attributes and the declaration its namespace needs; gives the
    // scope in force inside it.
    static const Scope* writeElement(const IXMLDOMNode& node, pugi::xml_node element, const Scope* scope,
                                     std::deque<Scope>& scopes)
    {
        const std::string& ns = textOf(node.m_namespace);
        const std::string prefix(prefixOf(node.m_name.str()));
        Scope* own = nullptr;
        auto declare = [&](const std::string& p, const std::string& uri) {
            if (!own) {
                own = &scopes.emplace_back();
                own->parent = scope;
                own->defaultNamespace = scope->defaultNamespace;
            }
            own->declare(p, uri);
        };
        bool declared = false;
        for (const auto& [name, value] : node.m_attributes) {
            std::string v = value.str();
            if (auto p = declaredPrefix(name.str())) {
                // The element's own namespace wins over a stale declaration of its prefix.
                if (*p == prefix) {
                    v = ns;
                    declared = true;
                }
                declare(*p, v);
            }
            element.append_attribute(name.GetString()).set_value(v.c_str());
        }
        const Scope* inside = own ? own : scope;
        const std::optional<Uri> inScope = inside->lookup(prefix);
        if (declared || (inScope && textOf(*inScope) == ns) || (!prefix.empty() && ns.empty()))
            return inside;
        const std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
        element.append_attribute(attribute.c_str()).set_value(ns.c_str());
        declare(prefix, ns);
        return own;
    }

    static void writeLeaf(const IXMLDOMNode& node, pugi::xml_node parent)
    {
        switch (node.m_type) {
        case NODE_TEXT: parent.append_child(pugi::node_pcdata).set_value(node.m_value); break;
        case NODE_CDATA_SECTION: parent.append_child(pugi::node_cdata).set_value(node.m_value); break;
        case NODE_COMMENT: parent.append_child(pugi::node_comment).set_value(node.m_value); break;
        case NODE_PROCESSING_INSTRUCTION:
            if (node.m_name != "xml") {
                pugi::xml_node pi = parent.append_child(pugi::node_pi);
                pi.set_name(node.m_name);
                pi.set_value(node.m_value);
            }
            break;
        default: break;
        }
    }

    static std::shared_ptr<IXMLDOMNode> clone(const IXMLDOMNode& node, bool deep)
    {
        auto copy = std::shared_ptr<IXMLDOMNode>(new IXMLDOMNode(node.m_type, node.m_name, node.m_value, CString()));
        copy->m_namespace = node.m_namespace;
        copy->m_attributes = node.m_attributes;
        if (!deep)
            return copy;
        std::vector<std::pair<const IXMLDOMNode*, IXMLDOMNode*>> stack{{&node, copy.get()}};
        while (!stack.empty()) {
            auto [src, dst] = stack.back();
            stack.pop_back();
            for (const auto& child : src->m_children) {
                auto c = std::shared_ptr<IXMLDOMNode>(new IXMLDOMNode(child->m_type, child->m_name, child->m_value, CString()));
                c->m_namespace = child->m_namespace;
                c->m_attributes = child->m_attributes;
                dst->insertAt(dst->m_children.size(), c);
                stack.push_back({child.get(), c.get()});
            }
        }
        return copy;
    }
};

IXMLDOMNode::~IXMLDOMNode()
{
    // Children die here one after another rather than by nested destructors, so that a
    // deep tree cannot exhaust the stack. A child that is still held elsewhere survives,
    // detached.
    std::vector<std::shared_ptr<IXMLDOMNode>> pending = std::move(m_children);
    while (!pending.empty()) {
        std::shared_ptr<IXMLDOMNode> node = std::move(pending.back());
        pending.pop_back();
        node->m_parent = nullptr;
        if (node.use_count() == 1) {
            for (auto& child : node->m_children)
                pending.push_back(std::move(child));
            node->m_children.clear();
        }
    }
}

CString IXMLDOMNode::get_nodeName() const { return m_name; }

CString IXMLDOMNode::get_baseName() const
{
    if (m_type != NODE_ELEMENT && m_type != NODE_PROCESSING_INSTRUCTION)
        return CString();
    const int colon = m_name.Find(':');
    return colon < 0 ? m_name : m_name.Mid(colon + 1);
}

CString IXMLDOMNode::get_prefix() const
{
    return m_type == NODE_ELEMENT ? CString(prefixOf(m_name.str())) : CString();
}

std::optional<CString> IXMLDOMNode::get_nodeValue() const
{
    if (m_type == NODE_ELEMENT || m_type == NODE_DOCUMENT)
        return std::nullopt;
    return m_value;
}

void IXMLDOMNode::put_nodeValue(const CString& value)
{
    if (m_type == NODE_ELEMENT || m_type == NODE_DOCUMENT)
        fail(E_FAIL, "This operation can not be performed with a Node of type ELEMENT.");
    m_value = value;
}

void IXMLDOMNode::appendText(std::string& out) const
{
    std::vector<const IXMLDOMNode*> stack{this};
    while (!stack.empty()) {
        const IXMLDOMNode* n = stack.back();
        stack.pop_back();
        if (n->m_type == NODE_TEXT || n->m_type == NODE_CDATA_SECTION)
            out += n->m_value.str();
        for (auto it = n->m_children.rbegin(); it != n->m_children.rend(); ++it)
            stack.push_back(it->get());
    }
}

CString IXMLDOMNode::get_text() const
{
    if (m_type != NODE_ELEMENT && m_type != NODE_DOCUMENT)
        return m_value;
    std::string text;
    appendText(text);
    return CString(trimmed(text));
}

void IXMLDOMNode::put_text(const CString& text)
{
    if (m_type != NODE_ELEMENT) {
        if (m_type == NODE_DOCUMENT)
            fail(E_FAIL, "This operation can not be performed with a Node of type DOCUMENT.");
        m_value = text;
        return;
    }
    for (auto& child : m_children)
        child->m_parent = nullptr;
    m_children.clear();
    if (!text.IsEmpty())
        insertAt(0, std::shared_ptr<IXMLDOMNode>(new IXMLDOMNode(NODE_TEXT, "#text", text, CString())));
}

CString IXMLDOMNode::get_xml() const
{
    pugi::xml_document out;
    IXMLDOMNode holder(NODE_DOCUMENT, "#document", CString(), CString());
    holder.m_children.push_back(std::const_pointer_cast<IXMLDOMNode>(shared_from_this()));
    if (m_type == NODE_DOCUMENT)
        DomIo::write(*this, out);
    else
        DomIo::write(holder, out);
    holder.m_children.clear();
    StringWriter writer;
    out.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return CString(std::move(writer.out));
}

IXMLDOMNodePtr IXMLDOMNode::get_parentNode() const
{
    return m_parent ? IXMLDOMNodePtr(m_parent->shared_from_this()) : IXMLDOMNodePtr();
}

IXMLDOMNodeListPtr IXMLDOMNode::get_childNodes()
{
    return IXMLDOMNodeListPtr(std::make_shared<IXMLDOMNodeList>(shared_from_this()));
}

IXMLDOMNodePtr IXMLDOMNode::childAt(long index) const
{
    if (index < 0 || index >= childCount())
        return IXMLDOMNodePtr();
    return IXMLDOMNodePtr(m_children[static_cast<size_t>(index)]);
}

IXMLDOMNodePtr IXMLDOMNode::get_firstChild() const { return childAt(0); }
IXMLDOMNodePtr IXMLDOMNode::get_lastChild() const { return childAt(childCount() - 1); }

IXMLDOMNodePtr IXMLDOMNode::get_nextSibling() const
{
    return m_parent ? m_parent->childAt(static_cast<long>(m_index) + 1) : IXMLDOMNodePtr();
}

IXMLDOMNodePtr IXMLDOMNode::get_previousSibling() const
{
    return m_parent ? m_parent->childAt(static_cast<long>(m_index) - 1) : IXMLDOMNodePtr();
}

void IXMLDOMNode::insertAt(size_t index, const std::shared_ptr<IXMLDOMNode>& child)
{
    m_children.insert(m_children.begin() + static_cast<std::ptrdiff_t>(index), child);
    child->m_parent = this;
    for (size_t i = index; i < m_children.size(); ++i)
        m_children[i]->m_index = i;
}

void IXMLDOMNode::detach()
{
    if (!m_parent)
        return;
    auto& siblings = m_parent->m_children;
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(m_index));
    for (size_t i = m_index; i < siblings.size(); ++i)
        siblings[i]->m_index = i;
    m_parent = nullptr;
}

const IXMLDOMNode* IXMLDOMNode::root() const
{
    const IXMLDOMNode* n = this;
    while (n->m_parent)
        n = n->m_parent;
    return n;
}

IXMLDOMNodePtr IXMLDOMNode::appendChild(const IXMLDOMNodePtr& child)
{
    return insertBefore(child, IXMLDOMNodePtr());
}

IXMLDOMNodePtr IXMLDOMNode::insertBefore(const IXMLDOMNodePtr& child, const IXMLDOMNodePtr& reference)
{
    if (!child)
        fail(E_INVALIDARG, "The parameter is incorrect.");
    IXMLDOMNode* c = child.GetInterfacePtr();
    if (m_type != NODE_ELEMENT && m_type != NODE_DOCUMENT)
        fail(E_FAIL, "This operation can not be performed with a Node of this type.");
    if (c->m_type == NODE_DOCUMENT)
        fail(E_FAIL, "Insert Node is not allowed at the specified location.");
    for (const IXMLDOMNode* a = this; a; a = a->m_parent)
        if (a == c)
            fail(E_FAIL, "This operation can not be performed on a node that contains this node.");
    if (m_type == NODE_DOCUMENT) {
        if (c->m_type == NODE_TEXT || c->m_type == NODE_CDATA_SECTION)
            fail(E_FAIL, "This operation cannot be performed with a Node of type TEXT.");
        if (c->m_type == NODE_ELEMENT)
            for (const auto& existing : m_children)
                if (existing->m_type == NODE_ELEMENT && existing.get() != c)
                    fail(E_FAIL, "Only one top level element is allowed in an XML document.");
    }
    if (reference && reference->m_parent != this)
        fail(E_INVALIDARG, "Insert position Node must be a Child of the Node to insert under.");
    const std::shared_ptr<IXMLDOMNode> keep = child.shared();
    if (reference.GetInterfacePtr() == c)
        return child;
    c->detach();
    insertAt(reference ? reference->m_index : m_children.size(), keep);
    return child;
}

IXMLDOMNodePtr IXMLDOMNode::removeChild(const IXMLDOMNodePtr& child)
{
    if (!child || child->m_parent != this)
        fail(E_INVALIDARG, "The parameter Node is not a child of this Node.");
    child->detach();
    return child;
}

IXMLDOMNodePtr IXMLDOMNode::replaceChild(const IXMLDOMNodePtr& child, const IXMLDOMNodePtr& old)
{
    if (!old || old->m_parent != this)
        fail(E_INVALIDARG, "The parameter Node is not a child of this Node.");
    if (child.GetInterfacePtr() == old.GetInterfacePtr())
        return old;
    insertBefore(child, old);
    return removeChild(old);
}

IXMLDOMNodePtr IXMLDOMNode::cloneNode(bool deep) const
{
    return IXMLDOMNodePtr(DomIo::clone(*this, deep));
}

IXMLDOMNodeListPtr IXMLDOMNode::selectNodes(const CString& path)
{
    std::string p = path.str();
    std::vector<IXMLDOMNodePtr> current;
    if (!p.empty() && p[0] == '/') {
        const IXMLDOMNode* top = root();
        if (top->m_type == NODE_DOCUMENT)
            current.push_back(IXMLDOMNodePtr(std::const_pointer_cast<IXMLDOMNode>(top->shared_from_this())));
        p.erase(0, 1);
    } else {
        current.push_back(IXMLDOMNodePtr(shared_from_this()));
    }
    size_t start = 0;
    while (start <= p.size() && !current.empty()) {
        const size_t slash = p.find('/', start);
        const std::string step = p.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (step.empty() && slash == std::string::npos && start == p.size() && start != 0)
            break;
        if (step.empty() || step.find_first_of("[]@()|") != std::string::npos)
            fail(E_FAIL, "Unsupported XPath expression.");
        if (step != ".") {
            std::vector<IXMLDOMNodePtr> next;
            for (const auto& node : current)
                for (const auto& child : node->m_children)
                    if (child->m_type == NODE_ELEMENT && (step == "*" || child->m_name == step.c_str()))
                        next.emplace_back(child);
            current = std::move(next);
        }
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return IXMLDOMNodeListPtr(std::make_shared<IXMLDOMNodeList>(std::move(current)));
}

IXMLDOMNodePtr IXMLDOMNode::selectSingleNode(const CString& path)
{
    return selectNodes(path)->get_item(0);
}

std::optional<CString> IXMLDOMNode::getAttribute(const CString& name) const
{
    for (const auto& [n, v] : m_attributes)
        if (n == name)
            return v;
    return std::nullopt;
}

void IXMLDOMNode::setAttribute(const CString& name, const CString& value)
{
    if (m_type != NODE_ELEMENT)
        fail(E_FAIL, "This operation can not be performed with a Node of this type.");
    for (auto& [n, v] : m_attributes)
        if (n == name) {
            v = value;
            return;
        }
    m_attributes.emplace_back(name, value);
}

void IXMLDOMNode::removeAttribute(const CString& name)
{
    std::erase_if(m_attributes, [&](const auto& a) { return a.first == name; });
}

long IXMLDOMNodeList::get_length() const
{
    return m_parent ? m_parent->childCount() : static_cast<long>(m_nodes.size());
}

IXMLDOMNodePtr IXMLDOMNodeList::get_item(long index) const
{
    if (m_parent)
        return m_parent->childAt(index);
    if (index < 0 || index >= static_cast<long>(m_nodes.size()))
        return IXMLDOMNodePtr();
    return m_nodes[static_cast<size_t>(index)];
}

IXMLDOMDocumentPtr IXMLDOMDocument::create()
{
    return IXMLDOMDocumentPtr(std::make_shared<IXMLDOMDocument>());
}

bool IXMLDOMDocument::parse(const char* data, size_t size, const CString& what)
{
    for (auto& child : m_children)
        child->m_parent = nullptr;
    m_children.clear();
    pugi::xml_document parsed;
    const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_pi | pugi::parse_comments;
    const pugi::xml_parse_result result = parsed.load_buffer(data, size, options);
    if (!result) {
        m_parseError.Format("%s: %s at offset %lld", what.GetString(), result.description(),
                            static_cast<long long>(result.offset));
        return false;
    }
    if (!parsed.document_element()) {
        m_parseError = what + ": the document has no root element";
        return false;
    }
    if (hasForbiddenReference(data, size, options)) {
        m_parseError = what + ": a character reference names a character that XML does not allow";
        return false;
    }
    DomIo::read(parsed, *this);
    m_parseError.Empty();
    return true;
}

bool IXMLDOMDocument::load(const CString& path)
{
    const std::string file = nativePath(path);
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        for (auto& child : m_children)
            child->m_parent = nullptr;
        m_children.clear();
        m_parseError = "The system cannot locate the object specified: " + path;
        return false;
    }
    std::string data;
    char buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        data.append(buffer, n);
    std::fclose(f);
    return parse(data.data(), data.size(), path);
}

bool IXMLDOMDocument::loadXML(const CString& text)
{
    return parse(text.GetString(), static_cast<size_t>(text.GetLength()), "XML text");
}

void IXMLDOMDocument::save(const CString& path)
{
    pugi::xml_document out;
    pugi::xml_node declaration = out.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    DomIo::write(*this, out);
    StringWriter writer;
    // Indentation grows with the square of the depth: very deep documents are written flat.
    const unsigned format = depth() > 64 ? pugi::format_raw : pugi::format_indent;
    out.save(writer, "\t", format, pugi::encoding_utf8);

    // The failure is described by its own cause (a full disk, a missing folder).
    qv::AtomicFile file;
    if (!file.open(nativePath(path)) || !file.write(writer.out) || !file.commit())
        fail(file.errorNumber() == EACCES || file.errorNumber() == EPERM ? E_ACCESSDENIED : E_FAIL,
             file.error().c_str());
}

size_t IXMLDOMDocument::depth() const
{
    size_t deepest = 0;
    std::vector<std::pair<const IXMLDOMNode*, size_t>> stack{{this, 0}};
    while (!stack.empty()) {
        auto [node, level] = stack.back();
        stack.pop_back();
        deepest = std::max(deepest, level);
        for (const auto& child : node->m_children)
            stack.emplace_back(child.get(), level + 1);
    }
    return deepest;
}

IXMLDOMNodePtr IXMLDOMDocument::get_documentElement() const
{
    for (const auto& child : m_children)
        if (child->m_type == NODE_ELEMENT)
            return IXMLDOMNodePtr(child);
    return IXMLDOMNodePtr();
}

IXMLDOMNodePtr IXMLDOMDocument::createNode(int type, const CString& name, const CString& namespaceURI)
{
    switch (type) {
    case NODE_ELEMENT:
        if (name.IsEmpty() || name.FindOneOf(" <>&\"'/=") >= 0)
            fail(E_FAIL, "This name may not contain the '<' character or other illegal characters.");
        return IXMLDOMNodePtr(std::shared_ptr<IXMLDOMNode>(new IXMLDOMNode(NODE_ELEMENT, name, CString(), namespaceURI)));
    case NODE_TEXT: return createTextNode(CString());
    case NODE_COMMENT: return createComment(CString());
    case NODE_CDATA_SECTION: return createCDATASection(CString());
    case NODE_PROCESSING_INSTRUCTION: return createProcessingInstruction(name, CString());
    default: fail(E_INVALIDARG, "The parameter is incorrect.");
    }
}

IXMLDOMNodePtr IXMLDOMDocument::createElement(const CString& name)
{
    return createNode(NODE_ELEMENT, name, CString());
}

IXMLDOMNodePtr IXMLDOMDocument::createTextNode(const CString& text)
{
    return IXMLDOMNodePtr(std::shared_ptr<IXMLDOMNode>(new IXMLDOMNode(NODE_TEXT, "#text", text, CString())));
}

IXMLDOMNodePtr IXMLDOMDocument::createComment(const CString& text)
{
    return IXMLDOMNodePtr(std::shared_ptr<IXMLDOMNode>(new IXMLDOMNode(NODE_COMMENT, "#comment", text, CString())));
}

IXMLDOMNodePtr IXMLDOMDocument::createCDATASection(const CString& text)
{
    return IXMLDOMNodePtr(std::shared_ptr<IXMLDOMNode>(new IXMLDOMNode(NODE_CDATA_SECTION, "#cdata-section", text, CString())));
}

IXMLDOMNodePtr IXMLDOMDocument::createProcessingInstruction(const CString& target, const CString& data)
{
    if (target.IsEmpty())
        fail(E_FAIL, "The processing instruction needs a target.");
    return IXMLDOMNodePtr(std::shared_ptr<IXMLDOMNode>(new IXMLDOMNode(NODE_PROCESSING_INSTRUCTION, target, data, CString())));
}

} // namespace MSXML2
