// XmlDocument: one XML document whose nodes are named by path texts.
//
// Paths are normalised before use and the normalised form is written back
// into the caller's variable: a path ending in "/" loses that "/" and gets
// "//" in front; any path not beginning with "//" gets "//" in front. The
// first node in document order matching the path is used, so "数组/qu" finds
// the first element "qu" whose parent is an element "数组", anywhere.
//
// All texts are code page 936; the engine (libxml2) works in UTF-8.
// Nothing is reported: a path matching no node, a name that is not an XML
// 1.0 Name, text that is not well-formed XML all give the empty value of the
// asked type (false, 0, an empty text, an empty node handle). The one
// exception is ExportToFile without a place to save to, which shows a message.
//
// After Close every operation changes nothing and gives its empty value
// (SetAttribute: true). An object belongs to one thread at a time; copies
// share the same document.
#pragma once

#include <memory>

#include "text/controls.h"
#include "text/text.h"

struct _xmlNode;

namespace qrh {

struct XmlTree;    // one parsed tree and the nodes taken out of it
struct XmlEngine;  // the engine document: the current tree and its address

// A handle to a node of an engine document. It stays valid as long as the
// handle lives, also after the node was removed or the document reloaded or
// closed. An empty handle stands for "no node".
class XmlNode {
 public:
  XmlNode();
  ~XmlNode();
  XmlNode(const XmlNode&);
  XmlNode& operator=(const XmlNode&);

  explicit operator bool() const { return node_ != nullptr; }
  bool IsSameNode(const XmlNode& other) const { return node_ == other.node_; }

  // "#text", "#cdata-section", "#comment", "#document" for those kinds of node.
  Text NodeName() const;
  // The value of an attribute, text, character data, comment or processing
  // instruction; empty for elements and documents.
  Text NodeValue() const;
  // Empty for attributes and documents.
  XmlNode ParentNode() const;
  // On an element: sets attribute (an attribute of the same document that
  // belongs to no element). An attribute of the same name is replaced in
  // place and handed back; otherwise the result is empty.
  XmlNode SetAttributeNode(const XmlNode& attribute) const;

 private:
  friend class XmlDocument;
  friend class XmlDom;
  XmlNode(std::shared_ptr<XmlTree> tree, _xmlNode* node);

  std::shared_ptr<XmlTree> tree_;
  _xmlNode* node_ = nullptr;
};

// A reference to the engine document behind an XmlDocument.
class XmlDom {
 public:
  XmlDom();
  ~XmlDom();
  XmlDom(const XmlDom&);
  XmlDom& operator=(const XmlDom&);

  explicit operator bool() const { return engine_ != nullptr; }

  // A new element or attribute belonging to no parent yet; empty when name is
  // not an XML 1.0 Name.
  XmlNode CreateElement(const Text& name) const;
  XmlNode CreateAttribute(const Text& name, const Text& value = Text()) const;
  XmlNode DocumentElement() const;

 private:
  friend class XmlDocument;
  explicit XmlDom(std::shared_ptr<XmlEngine> engine);
  std::shared_ptr<XmlEngine> engine_;
};

// The service ExportToFile shows its message through when the document was
// given none of its own. Null (the start value) drops the message.
void SetXmlMessageBoxService(MessageBoxService* service);

class XmlDocument {
 public:
  // messages, when given, must outlive the object.
  explicit XmlDocument(MessageBoxService* messages = nullptr);
  ~XmlDocument();
  XmlDocument(const XmlDocument& other);
  XmlDocument& operator=(const XmlDocument& other);

  // Releases the document; the object stays empty from then on.
  void Close();

  // Loads "<?xml version="1.0" encoding="gbk" ?>\r\n<rootName></rootName>".
  bool NewDocument(const Text& rootName);
  XmlDom DocumentObject() const;
  // Loads the file at source (a path; a URL gives false), decoded as its
  // declaration says. The path becomes the document's address.
  bool Load(const Text& source);
  // Parses the characters of xmlText, whatever encoding its declaration
  // names. A failed load leaves the document empty.
  bool LoadXml(const Text& xmlText);
  // Saves in the declared encoding (UTF-8 when none is declared). Without a
  // path the document's address is used; when it has none, the message
  // "导出到文件() 命令需要提供在保存的文件位置" is shown and false returned.
  bool ExportToFile();
  bool ExportToFile(const Text& path);

  // All text of the document, concatenated.
  Text GetText() const;
  // The document as XML text.
  Text GetXml() const;

  // Gives attribute oldName of the node the name newName, in its place and
  // with its value (an attribute newName already there is replaced). False
  // when there is no such node or attribute or newName is not a name.
  bool RenameAttribute(Text& path, const Text& oldName, const Text& newName);
  // False when the node has no attribute name.
  bool SetAttributeValue(Text& path, const Text& name, const Text& value);
  // Writes the value of the node's first child; false when it has none or
  // that child is an element.
  bool SetNodeText(Text& path, const Text& value);
  // Replaces the node by a new element newName carrying the node's text (the
  // value of its first child) and its attributes; child elements are dropped.
  bool RenameNode(Text& path, const Text& newName);
  // Appends a new element name holding value (as text, or as a character
  // data section with asCData) to the node at parentPath.
  bool AddElement(Text& parentPath, const Text& name, const Text& value = Text(),
                  bool asCData = false);
  bool RemoveNode(Text& path);
  // Sets attribute name to value on the node. True unless an attribute of
  // that name was there and has been replaced (so also true when nothing
  // could be set).
  bool SetAttribute(Text& path, const Text& name, const Text& value = Text());
  // True when the node is an element (whether or not it had the attribute).
  bool RemoveAttribute(Text& path, const Text& name);
  // The address the document was loaded from; empty for LoadXml.
  Text GetUrl() const;
  // The value of attribute name. A name containing "@" loses its first
  // character (also in the caller's variable) and the rest, read as a
  // number N, selects the N-th attribute (1-based).
  Text GetAttribute(Text& path, Text& name) const;
  // Number of the node's attributes; each array given receives their names or
  // values in order.
  int ListAttributes(Text& path, TextArray* names = nullptr, TextArray* values = nullptr) const;
  int AttributeCount(Text& path) const;
  // The value of the node's first child.
  Text GetNodeText(Text& path) const;
  int ChildNames(Text& path, TextArray& names) const;
  int ChildCount(Text& path) const;
  Text RootName() const;
  Text ParentName(const XmlNode& node) const;
  XmlNode RootNode() const;
  XmlNode ParentNode(Text& path) const;
  XmlNode SelectNode(Text& path) const;
  // The node without its children (an element keeps its attributes).
  XmlNode CloneNode(const XmlNode& node) const;
  // Puts newNode in the place of node (newNode is moved there if it stood
  // elsewhere) and hands back node; empty when that is not possible.
  XmlNode ReplaceNode(const XmlNode& node, const XmlNode& newNode);

 private:
  bool LoadTree(const Bytes& bytes, bool asUtf8, const Text& url);
  MessageBoxService* messages_;
  std::shared_ptr<XmlEngine> engine_;
};

}  // namespace qrh
