#include "text/xml_document.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

#include "text/codepage.h"
#include "text/text_rules.h"

namespace qrh {

// One parsed tree. Nodes taken out of it (removed, replaced, created and not
// yet placed) are kept until the tree goes, so that every handle to them stays
// valid; those still outside the tree are freed with it.
struct XmlTree {
  xmlDocPtr doc = nullptr;
  Text declaredEncoding;  // as the XML declaration names it; empty when none
  std::vector<xmlNodePtr> detached;

  explicit XmlTree(xmlDocPtr d) : doc(d) {}
  XmlTree(const XmlTree&) = delete;
  XmlTree& operator=(const XmlTree&) = delete;
  ~XmlTree() {
    std::sort(detached.begin(), detached.end());
    detached.erase(std::unique(detached.begin(), detached.end()), detached.end());
    // Only the roots of pieces outside the tree are freed; their descendants
    // go with them, and nodes placed back into the tree go with the document.
    std::vector<xmlNodePtr> roots;
    for (xmlNodePtr node : detached) {
      if (node->parent == nullptr) roots.push_back(node);
    }
    for (xmlNodePtr node : roots) xmlFreeNode(node);
    xmlFreeDoc(doc);
  }

  void Keep(xmlNodePtr node) { detached.push_back(node); }
  void Detach(xmlNodePtr node) {
    xmlUnlinkNode(node);
    detached.push_back(node);
  }
};

struct XmlEngine {
  std::shared_ptr<XmlTree> tree;  // never null
  Text url;
};

namespace {

constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS;

std::atomic<MessageBoxService*> g_messageBoxService{nullptr};

void InitEngine() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

std::shared_ptr<XmlTree> EmptyTree() {
  InitEngine();
  return std::make_shared<XmlTree>(xmlNewDoc(BAD_CAST "1.0"));
}

const xmlChar* Utf8(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

Text FromUtf8(const xmlChar* s) {
  return s == nullptr ? Text() : Utf8BytesToText(reinterpret_cast<const char*>(s));
}

// Takes ownership of a string the engine allocated.
Text TakeUtf8(xmlChar* s) {
  Text out = FromUtf8(s);
  xmlFree(s);
  return out;
}

bool IsXmlName(const std::string& utf8) { return !utf8.empty() && xmlValidateName(Utf8(utf8), 0) == 0; }

bool IsElement(xmlNodePtr node) { return node != nullptr && node->type == XML_ELEMENT_NODE; }

bool IsChildKind(xmlNodePtr node) {
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      return true;
    default:
      return false;
  }
}

std::string QualifiedName(xmlNodePtr node) {
  std::string name;
  if (node->ns != nullptr && node->ns->prefix != nullptr) {
    name = reinterpret_cast<const char*>(node->ns->prefix);
    name += ':';
  }
  return name + reinterpret_cast<const char*>(node->name);
}

// The DOM's nodeName.
Text NameOf(xmlNodePtr node) {
  if (node == nullptr) return Text();
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      return Utf8BytesToText(QualifiedName(node));
    case XML_TEXT_NODE:
      return "#text";
    case XML_CDATA_SECTION_NODE:
      return "#cdata-section";
    case XML_COMMENT_NODE:
      return "#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
      return "#document";
    default:
      return FromUtf8(node->name);
  }
}

// The DOM's nodeValue.
Text ValueOf(xmlNodePtr node) {
  if (node == nullptr) return Text();
  switch (node->type) {
    case XML_ATTRIBUTE_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      return TakeUtf8(xmlNodeGetContent(node));
    default:
      return Text();
  }
}

// The DOM's parentNode: none for attributes.
xmlNodePtr ParentOf(xmlNodePtr node) {
  if (node == nullptr || node->type == XML_ATTRIBUTE_NODE) return nullptr;
  return node->parent;
}

// Whether the qualified name (prefix:name) of an element or attribute is
// the UTF-8 text name.
bool HasQualifiedName(xmlNodePtr node, const std::string& name) {
  std::size_t at = 0;
  if (node->ns != nullptr && node->ns->prefix != nullptr) {
    const auto* prefix = reinterpret_cast<const char*>(node->ns->prefix);
    std::size_t length = std::strlen(prefix);
    if (name.compare(0, length, prefix) != 0 || name.size() <= length || name[length] != ':') {
      return false;
    }
    at = length + 1;
  }
  return name.compare(at, std::string::npos, reinterpret_cast<const char*>(node->name)) == 0;
}

xmlAttrPtr FindAttributeUtf8(xmlNodePtr element, const std::string& name) {
  if (!IsElement(element)) return nullptr;
  for (xmlAttrPtr attr = element->properties; attr != nullptr; attr = attr->next) {
    if (HasQualifiedName(reinterpret_cast<xmlNodePtr>(attr), name)) return attr;
  }
  return nullptr;
}

xmlAttrPtr FindAttribute(xmlNodePtr element, const Text& name) {
  if (!IsElement(element)) return nullptr;
  return FindAttributeUtf8(element, AnsiToUtf8(name));
}

std::vector<xmlAttrPtr> AttributesOf(xmlNodePtr node) {
  std::vector<xmlAttrPtr> out;
  if (!IsElement(node)) return out;
  for (xmlAttrPtr attr = node->properties; attr != nullptr; attr = attr->next) out.push_back(attr);
  return out;
}

// Writes the DOM's "text" of an element or attribute: its children are taken
// out (kept for any handle) and one text node holding value takes their place.
void SetTextContent(XmlTree& tree, xmlNodePtr node, const Text& value) {
  while (node->children != nullptr) tree.Detach(node->children);
  if (value.empty()) return;
  std::string utf8 = AnsiToUtf8(value);
  xmlNodePtr text = xmlNewDocTextLen(tree.doc, Utf8(utf8), static_cast<int>(utf8.size()));
  if (text == nullptr) return;
  text->parent = node;
  node->children = text;
  node->last = text;
}

// Appends child (a node of no parent) as the last child of parent, without
// merging neighbouring text nodes, so that handles to child stay valid.
void AppendChild(xmlNodePtr parent, xmlNodePtr child) {
  child->parent = parent;
  child->prev = parent->last;
  child->next = nullptr;
  if (parent->last != nullptr) {
    parent->last->next = child;
  } else {
    parent->children = child;
  }
  parent->last = child;
}

xmlNodePtr NewAttribute(XmlTree& tree, const Text& name, const Text& value) {
  std::string nameUtf8 = AnsiToUtf8(name);
  if (!IsXmlName(nameUtf8)) return nullptr;
  xmlAttrPtr attr = xmlNewDocProp(tree.doc, Utf8(nameUtf8), nullptr);
  if (attr == nullptr) return nullptr;
  auto* node = reinterpret_cast<xmlNodePtr>(attr);
  tree.Keep(node);
  SetTextContent(tree, node, value);
  return node;
}

xmlNodePtr NewElement(XmlTree& tree, const Text& name) {
  std::string nameUtf8 = AnsiToUtf8(name);
  if (!IsXmlName(nameUtf8)) return nullptr;
  xmlNodePtr element = xmlNewDocNode(tree.doc, nullptr, Utf8(nameUtf8), nullptr);
  if (element != nullptr) tree.Keep(element);
  return element;
}

// setAttributeNode: the attribute of the same name is replaced in place and
// handed back; otherwise attr is appended and nothing handed back.
xmlNodePtr SetAttributeOn(XmlTree& tree, xmlNodePtr element, xmlNodePtr attr) {
  if (!IsElement(element) || attr == nullptr || attr->type != XML_ATTRIBUTE_NODE ||
      attr->parent != nullptr || attr->doc != tree.doc) {
    return nullptr;
  }
  xmlAttrPtr old = FindAttributeUtf8(element, QualifiedName(attr));
  if (old != nullptr) {
    auto* oldNode = reinterpret_cast<xmlNodePtr>(old);
    xmlReplaceNode(oldNode, attr);
    tree.Keep(oldNode);
    return oldNode;
  }
  auto* a = reinterpret_cast<xmlAttrPtr>(attr);
  xmlAttrPtr last = element->properties;
  while (last != nullptr && last->next != nullptr) last = last->next;
  a->parent = element;
  a->prev = last;
  a->next = nullptr;
  if (last != nullptr) {
    last->next = a;
  } else {
    element->properties = a;
  }
  return nullptr;
}

bool IsAncestorOrSelf(xmlNodePtr candidate, xmlNodePtr node) {
  for (xmlNodePtr n = node; n != nullptr; n = n->parent) {
    if (n == candidate) return true;
  }
  return false;
}

void IgnoreError(void*, xmlErrorPtr) {}

Text NormalizePath(const Text& path) {
  Text p = path;
  if (!p.empty() && p.back() == '/') {
    p.pop_back();
    p.insert(0, "//");
  }
  if (p.compare(0, 2, "//") != 0) p.insert(0, "//");
  return p;
}

// The encoding named by the XML declaration at the start of utf8, if any.
Text DeclaredEncoding(const std::string& utf8) {
  if (utf8.compare(0, 5, "<?xml") != 0) return Text();
  std::size_t end = utf8.find("?>");
  if (end == std::string::npos) return Text();
  std::string decl = utf8.substr(0, end);
  std::size_t at = decl.find("encoding");
  if (at == std::string::npos) return Text();
  at += 8;
  while (at < decl.size() && (decl[at] == ' ' || decl[at] == '\t' || decl[at] == '\r' ||
                              decl[at] == '\n')) {
    ++at;
  }
  if (at >= decl.size() || decl[at] != '=') return Text();
  ++at;
  while (at < decl.size() && (decl[at] == ' ' || decl[at] == '\t' || decl[at] == '\r' ||
                              decl[at] == '\n')) {
    ++at;
  }
  if (at >= decl.size() || (decl[at] != '"' && decl[at] != '\'')) return Text();
  std::size_t close = decl.find(decl[at], at + 1);
  if (close == std::string::npos) return Text();
  return decl.substr(at + 1, close - at - 1);
}

std::string Serialize(xmlDocPtr doc, const char* encoding, int options) {
  xmlBufferPtr buffer = xmlBufferCreate();
  if (buffer == nullptr) return std::string();
  std::string out;
  xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, encoding, options);
  if (save != nullptr) {
    bool saved = xmlSaveDoc(save, doc) >= 0;
    saved = xmlSaveClose(save) >= 0 && saved;
    if (saved) {
      out.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                 static_cast<std::size_t>(xmlBufferLength(buffer)));
    }
  }
  xmlBufferFree(buffer);
  return out;
}

}  // namespace

// ---- XmlNode ----

XmlNode::XmlNode() = default;
XmlNode::~XmlNode() = default;
XmlNode::XmlNode(const XmlNode&) = default;
XmlNode& XmlNode::operator=(const XmlNode&) = default;
XmlNode::XmlNode(std::shared_ptr<XmlTree> tree, _xmlNode* node)
    : tree_(node != nullptr ? std::move(tree) : nullptr), node_(node) {}

Text XmlNode::NodeName() const { return NameOf(node_); }
Text XmlNode::NodeValue() const { return ValueOf(node_); }
XmlNode XmlNode::ParentNode() const { return XmlNode(tree_, ParentOf(node_)); }

XmlNode XmlNode::SetAttributeNode(const XmlNode& attribute) const {
  if (node_ == nullptr || attribute.tree_ != tree_) return XmlNode();
  return XmlNode(tree_, SetAttributeOn(*tree_, node_, attribute.node_));
}

// ---- XmlDom ----

XmlDom::XmlDom() = default;
XmlDom::~XmlDom() = default;
XmlDom::XmlDom(const XmlDom&) = default;
XmlDom& XmlDom::operator=(const XmlDom&) = default;
XmlDom::XmlDom(std::shared_ptr<XmlEngine> engine) : engine_(std::move(engine)) {}

XmlNode XmlDom::CreateElement(const Text& name) const {
  if (!engine_) return XmlNode();
  return XmlNode(engine_->tree, NewElement(*engine_->tree, name));
}

XmlNode XmlDom::CreateAttribute(const Text& name, const Text& value) const {
  if (!engine_) return XmlNode();
  return XmlNode(engine_->tree, NewAttribute(*engine_->tree, name, value));
}

XmlNode XmlDom::DocumentElement() const {
  if (!engine_) return XmlNode();
  return XmlNode(engine_->tree, xmlDocGetRootElement(engine_->tree->doc));
}

// ---- XmlDocument ----

void SetXmlMessageBoxService(MessageBoxService* service) { g_messageBoxService.store(service); }

XmlDocument::XmlDocument(MessageBoxService* messages)
    : messages_(messages), engine_(std::make_shared<XmlEngine>()) {
  engine_->tree = EmptyTree();
}

XmlDocument::~XmlDocument() = default;
XmlDocument::XmlDocument(const XmlDocument& other) = default;
XmlDocument& XmlDocument::operator=(const XmlDocument& other) = default;

void XmlDocument::Close() { engine_.reset(); }

bool XmlDocument::NewDocument(const Text& rootName) {
  if (!engine_) return false;
  Text xml = "<?xml version=\"1.0\" encoding=\"gbk\" ?>\r\n<根></根>";
  const Text placeholder = "根";
  int from = 1;
  for (int n = 0; n < 2; ++n) {
    int at = FindText(xml, placeholder, from, false);
    if (at < 0) break;
    xml.replace(static_cast<std::size_t>(at - 1), placeholder.size(), rootName);
    from = at + static_cast<int>(rootName.size());
  }
  return LoadXml(xml);
}

XmlDom XmlDocument::DocumentObject() const { return XmlDom(engine_); }

bool XmlDocument::LoadTree(const Bytes& bytes, bool asUtf8, const Text& url) {
  InitEngine();
  engine_->url.clear();
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
    engine_->tree = EmptyTree();
    return false;
  }
  xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                asUtf8 ? "UTF-8" : nullptr,
                                asUtf8 ? kParseOptions | XML_PARSE_IGNORE_ENC : kParseOptions);
  if (doc == nullptr) {
    engine_->tree = EmptyTree();
    return false;
  }
  auto tree = std::make_shared<XmlTree>(doc);
  if (asUtf8) {
    tree->declaredEncoding = DeclaredEncoding(bytes);
  } else if (doc->encoding != nullptr) {
    tree->declaredEncoding = reinterpret_cast<const char*>(doc->encoding);
  }
  engine_->tree = std::move(tree);
  engine_->url = url;
  return true;
}

bool XmlDocument::LoadXml(const Text& xmlText) {
  if (!engine_) return false;
  return LoadTree(AnsiToUtf8(xmlText), true, Text());
}

bool XmlDocument::Load(const Text& source) {
  if (!engine_) return false;
  Bytes bytes;
  bool read = false;
  if (!source.empty() && source.find("://") == Text::npos) {
    std::ifstream in(AnsiToUtf8(source), std::ios::binary);
    if (in) {
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      read = !in.bad();
    }
  }
  if (!read) {
    engine_->url.clear();
    engine_->tree = EmptyTree();
    return false;
  }
  return LoadTree(bytes, false, source);
}

bool XmlDocument::ExportToFile() {
  if (!engine_) return false;
  Text url = TrimText(engine_->url);
  if (url.empty()) {
    MessageBoxService* service = messages_ != nullptr ? messages_ : g_messageBoxService.load();
    if (service != nullptr) service->ShowMessage("导出到文件() 命令需要提供在保存的文件位置");
    return false;
  }
  return ExportToFile(url);
}

bool XmlDocument::ExportToFile(const Text& path) {
  if (!engine_ || path.empty()) return false;
  const XmlTree& tree = *engine_->tree;
  if (xmlDocGetRootElement(tree.doc) == nullptr) return false;
  std::string encoding = tree.declaredEncoding.empty() ? "UTF-8" : tree.declaredEncoding;
  std::string bytes = Serialize(tree.doc, encoding.c_str(), 0);
  if (bytes.empty()) return false;
  // Written beside the target and moved over it at the end, so that a failed
  // save never leaves a half-written file in its place.
  const std::string target = AnsiToUtf8(path);
  const std::string part = target + ".part";
  std::ofstream out(part, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (out.fail() || std::rename(part.c_str(), target.c_str()) != 0) {
    std::remove(part.c_str());
    return false;
  }
  return true;
}

Text XmlDocument::GetText() const {
  if (!engine_) return Text();
  xmlNodePtr root = xmlDocGetRootElement(engine_->tree->doc);
  if (root == nullptr) return Text();
  return TakeUtf8(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(engine_->tree->doc)));
}

Text XmlDocument::GetXml() const {
  if (!engine_) return Text();
  const XmlTree& tree = *engine_->tree;
  if (tree.doc == nullptr || tree.doc->children == nullptr) return Text();
  std::string body = Serialize(tree.doc, "UTF-8", XML_SAVE_NO_DECL);
  std::string decl = "<?xml version=\"";
  decl += tree.doc->version != nullptr ? reinterpret_cast<const char*>(tree.doc->version) : "1.0";
  decl += "\"";
  if (!tree.declaredEncoding.empty()) decl += " encoding=\"" + tree.declaredEncoding + "\"";
  decl += "?>\n";
  return Utf8BytesToText(decl + body);
}

XmlNode XmlDocument::SelectNode(Text& path) const {
  path = NormalizePath(path);
  if (!engine_) return XmlNode();
  const std::shared_ptr<XmlTree>& tree = engine_->tree;
  xmlNodePtr root = xmlDocGetRootElement(tree->doc);
  if (root == nullptr) return XmlNode();
  xmlXPathContextPtr context = xmlXPathNewContext(tree->doc);
  if (context == nullptr) return XmlNode();
  context->node = root;
  context->error = IgnoreError;
  std::string expression = AnsiToUtf8(path);
  xmlXPathObjectPtr result = xmlXPathEvalExpression(Utf8(expression), context);
  xmlNodePtr found = nullptr;
  if (result != nullptr && result->type == XPATH_NODESET && result->nodesetval != nullptr &&
      result->nodesetval->nodeNr > 0) {
    xmlNodePtr first = result->nodesetval->nodeTab[0];
    if (first != nullptr && (IsChildKind(first) || first->type == XML_ATTRIBUTE_NODE)) {
      found = first;
    }
  }
  xmlXPathFreeObject(result);
  xmlXPathFreeContext(context);
  return XmlNode(tree, found);
}

bool XmlDocument::RenameAttribute(Text& path, const Text& oldName, const Text& newName) {
  XmlNode node = SelectNode(path);
  if (!node) return false;
  xmlAttrPtr old = FindAttribute(node.node_, oldName);
  if (old == nullptr) return false;
  if (oldName == newName) return true;
  XmlTree& tree = *node.tree_;
  auto* oldNode = reinterpret_cast<xmlNodePtr>(old);
  xmlNodePtr renamed = NewAttribute(tree, newName, ValueOf(oldNode));
  if (renamed == nullptr) return false;
  // An attribute already called newName gives way to the renamed one.
  if (xmlAttrPtr clash = FindAttributeUtf8(node.node_, QualifiedName(renamed));
      clash != nullptr) {
    tree.Detach(reinterpret_cast<xmlNodePtr>(clash));
  }
  xmlReplaceNode(oldNode, renamed);
  tree.Keep(oldNode);
  return true;
}

bool XmlDocument::SetAttributeValue(Text& path, const Text& name, const Text& value) {
  XmlNode node = SelectNode(path);
  xmlAttrPtr attr = FindAttribute(node.node_, name);
  if (attr == nullptr) return false;
  SetTextContent(*node.tree_, reinterpret_cast<xmlNodePtr>(attr), value);
  return true;
}

bool XmlDocument::SetNodeText(Text& path, const Text& value) {
  XmlNode node = SelectNode(path);
  if (!node || node.node_->children == nullptr) return false;
  xmlNodePtr child = node.node_->children;
  switch (child->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: {
      std::string utf8 = AnsiToUtf8(value);
      xmlNodeSetContentLen(child, Utf8(utf8), static_cast<int>(utf8.size()));
      return true;
    }
    default:
      return false;
  }
}

bool XmlDocument::RenameNode(Text& path, const Text& newName) {
  XmlNode node = SelectNode(path);
  if (!node) return false;
  xmlNodePtr old = node.node_;
  xmlNodePtr parent = ParentOf(old);
  if (parent == nullptr) return false;
  XmlTree& tree = *node.tree_;
  xmlNodePtr element = NewElement(tree, newName);
  if (element == nullptr) return false;
  SetTextContent(tree, element, ValueOf(old->children));
  for (xmlAttrPtr attr : AttributesOf(old)) {
    auto* attrNode = reinterpret_cast<xmlNodePtr>(attr);
    SetAttributeOn(tree, element, NewAttribute(tree, NameOf(attrNode), ValueOf(attrNode)));
  }
  xmlReplaceNode(old, element);
  tree.Keep(old);
  return true;
}

bool XmlDocument::AddElement(Text& parentPath, const Text& name, const Text& value,
                             bool asCData) {
  XmlNode parent = SelectNode(parentPath);
  if (!IsElement(parent.node_)) return false;
  XmlTree& tree = *parent.tree_;
  xmlNodePtr element = NewElement(tree, name);
  if (element == nullptr) return false;
  if (asCData) {
    std::string utf8 = AnsiToUtf8(value);
    xmlNodePtr data = xmlNewCDataBlock(tree.doc, Utf8(utf8), static_cast<int>(utf8.size()));
    if (data == nullptr) return false;
    AppendChild(element, data);
  } else {
    SetTextContent(tree, element, value);
  }
  AppendChild(parent.node_, element);
  return true;
}

bool XmlDocument::RemoveNode(Text& path) {
  XmlNode node = SelectNode(path);
  if (!node || ParentOf(node.node_) == nullptr) return false;
  node.tree_->Detach(node.node_);
  return true;
}

bool XmlDocument::SetAttribute(Text& path, const Text& name, const Text& value) {
  XmlNode node = SelectNode(path);
  if (!node) return true;
  XmlTree& tree = *node.tree_;
  return SetAttributeOn(tree, node.node_, NewAttribute(tree, name, value)) == nullptr;
}

bool XmlDocument::RemoveAttribute(Text& path, const Text& name) {
  XmlNode node = SelectNode(path);
  if (!IsElement(node.node_)) return false;
  if (xmlAttrPtr attr = FindAttribute(node.node_, name); attr != nullptr) {
    node.tree_->Detach(reinterpret_cast<xmlNodePtr>(attr));
  }
  return true;
}

Text XmlDocument::GetUrl() const { return engine_ ? engine_->url : Text(); }

Text XmlDocument::GetAttribute(Text& path, Text& name) const {
  XmlNode node = SelectNode(path);
  if (FindText(name, "@") < 0) {
    return ValueOf(reinterpret_cast<xmlNodePtr>(FindAttribute(node.node_, name)));
  }
  name.erase(0, name.empty() ? 0 : CharLength(name, 0));
  std::int32_t number = TextToInt(name);
  std::vector<xmlAttrPtr> attributes = AttributesOf(node.node_);
  if (number < 1 || static_cast<std::size_t>(number) > attributes.size()) return Text();
  return ValueOf(reinterpret_cast<xmlNodePtr>(attributes[static_cast<std::size_t>(number - 1)]));
}

int XmlDocument::ListAttributes(Text& path, TextArray* names, TextArray* values) const {
  XmlNode node = SelectNode(path);
  std::vector<xmlAttrPtr> attributes = AttributesOf(node.node_);
  if (names != nullptr) names->clear();
  if (values != nullptr) values->clear();
  for (xmlAttrPtr attr : attributes) {
    auto* attrNode = reinterpret_cast<xmlNodePtr>(attr);
    if (names != nullptr) names->push_back(NameOf(attrNode));
    if (values != nullptr) values->push_back(ValueOf(attrNode));
  }
  return static_cast<int>(attributes.size());
}

int XmlDocument::AttributeCount(Text& path) const {
  XmlNode node = SelectNode(path);
  return static_cast<int>(AttributesOf(node.node_).size());
}

Text XmlDocument::GetNodeText(Text& path) const {
  XmlNode node = SelectNode(path);
  if (!node) return Text();
  return ValueOf(node.node_->children);
}

int XmlDocument::ChildNames(Text& path, TextArray& names) const {
  XmlNode node = SelectNode(path);
  names.clear();
  if (!node) return 0;
  for (xmlNodePtr child = node.node_->children; child != nullptr; child = child->next) {
    names.push_back(NameOf(child));
  }
  return static_cast<int>(names.size());
}

int XmlDocument::ChildCount(Text& path) const {
  TextArray names;
  return ChildNames(path, names);
}

Text XmlDocument::RootName() const { return NameOf(RootNode().node_); }

Text XmlDocument::ParentName(const XmlNode& node) const {
  if (!engine_) return Text();
  return NameOf(ParentOf(node.node_));
}

XmlNode XmlDocument::RootNode() const {
  if (!engine_) return XmlNode();
  return XmlNode(engine_->tree, xmlDocGetRootElement(engine_->tree->doc));
}

XmlNode XmlDocument::ParentNode(Text& path) const {
  XmlNode node = SelectNode(path);
  return XmlNode(node.tree_, ParentOf(node.node_));
}

XmlNode XmlDocument::CloneNode(const XmlNode& node) const {
  if (!engine_ || !node) return XmlNode();
  xmlNodePtr original = node.node_;
  if (!IsChildKind(original) && original->type != XML_ATTRIBUTE_NODE) return XmlNode();
  XmlTree& tree = *node.tree_;
  xmlNodePtr copy = xmlDocCopyNode(original, tree.doc, 2);
  if (copy == nullptr) return XmlNode();
  tree.Keep(copy);
  return XmlNode(node.tree_, copy);
}

XmlNode XmlDocument::ReplaceNode(const XmlNode& node, const XmlNode& newNode) {
  if (!engine_ || !node || !newNode || node.tree_ != newNode.tree_) return XmlNode();
  xmlNodePtr old = node.node_;
  xmlNodePtr replacement = newNode.node_;
  xmlNodePtr parent = ParentOf(old);
  if (parent == nullptr || !IsChildKind(old) || !IsChildKind(replacement) ||
      IsAncestorOrSelf(replacement, old)) {
    return XmlNode();
  }
  // A document holds no text and at most one element.
  if (parent->type == XML_DOCUMENT_NODE) {
    if (replacement->type == XML_TEXT_NODE || replacement->type == XML_CDATA_SECTION_NODE) {
      return XmlNode();
    }
    if (replacement->type == XML_ELEMENT_NODE && old->type != XML_ELEMENT_NODE) return XmlNode();
  }
  xmlReplaceNode(old, replacement);
  node.tree_->Keep(old);
  return XmlNode(node.tree_, old);
}

}  // namespace qrh
