#include "text/xml_document.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qrh {
namespace {

namespace fs = std::filesystem;

class RecordingMessages : public MessageBoxService {
 public:
  void ShowMessage(const Text& text) override { shown.push_back(text); }
  std::vector<Text> shown;
};

// A scratch folder removed after the test.
class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("qrh_xml_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  fs::path path_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// <书架><书 编号="1" 类="小说">红楼梦</书><书 编号="2">西游记<注/></书><杂志/></书架>
const Text kShelf =
    "<?xml version=\"1.0\" encoding=\"gbk\"?>"
    "<书架><书 编号=\"1\" 类=\"小说\">红楼梦</书><书 编号=\"2\">西游记<注/></书><杂志/></书架>";

class XmlDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(doc.LoadXml(kShelf)); }
  RecordingMessages messages;
  XmlDocument doc{&messages};
};

TEST(XmlDocumentNew, NewDocumentHasOneEmptyRoot) {
  XmlDocument doc;
  ASSERT_TRUE(doc.NewDocument("数组"));
  EXPECT_EQ(doc.RootName(), "数组");
  EXPECT_EQ(doc.GetXml(), "<?xml version=\"1.0\" encoding=\"gbk\"?>\n<数组/>\n");
  Text path = "数组";
  EXPECT_EQ(doc.ChildCount(path), 0);
  EXPECT_EQ(doc.GetUrl(), "");
  // A second call replaces the whole content.
  ASSERT_TRUE(doc.NewDocument("根"));
  EXPECT_EQ(doc.RootName(), "根");
  EXPECT_FALSE(doc.NewDocument("a b"));
  EXPECT_EQ(doc.RootName(), "");
  EXPECT_EQ(doc.GetXml(), "");
}

struct PathCase {
  std::string name;
  Text path;
  Text normalised;
  Text foundName;  // empty: no node
};

class XmlPaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(XmlPaths, AreNormalisedInPlaceAndFindTheFirstNode) {
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadXml("<数组><x><qu a=\"1\"/></x><qu a=\"2\"/><qu a=\"3\"/></数组>"));
  Text path = GetParam().path;
  XmlNode node = doc.SelectNode(path);
  EXPECT_EQ(path, GetParam().normalised);
  EXPECT_EQ(node.NodeName(), GetParam().foundName);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlPaths,
    ::testing::Values(PathCase{"Relative", "数组/qu", "//数组/qu", "qu"},
                      PathCase{"TrailingSlash", "数组/qu/", "//数组/qu", "qu"},
                      PathCase{"AlreadyNormal", "//数组/qu", "//数组/qu", "qu"},
                      PathCase{"Root", "数组", "//数组", "数组"},
                      PathCase{"Nothing", "数组/none", "//数组/none", ""},
                      PathCase{"Empty", "", "//", ""},
                      PathCase{"Malformed", "数组/[", "//数组/[", ""},
                      PathCase{"Attribute", "x/qu/@a", "//x/qu/@a", "a"}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return info.param.name; });

TEST(XmlDocumentSelect, FirstMatchInDocumentOrder) {
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadXml("<r><p><c n=\"1\"/></p><p><c n=\"2\"/></p><c n=\"3\"/></r>"));
  Text path = "p/c";
  Text name = "n";
  EXPECT_EQ(doc.GetAttribute(path, name), "1");
}

TEST_F(XmlDocumentTest, ReadOperations) {
  Text path = "书架/书";
  EXPECT_EQ(doc.GetNodeText(path), "红楼梦");
  EXPECT_EQ(doc.AttributeCount(path), 2);
  TextArray names{"old"};
  TextArray values;
  EXPECT_EQ(doc.ListAttributes(path, &names, &values), 2);
  EXPECT_EQ(names, (TextArray{"编号", "类"}));
  EXPECT_EQ(values, (TextArray{"1", "小说"}));
  EXPECT_EQ(doc.ListAttributes(path), 2);

  Text shelf = "书架";
  EXPECT_EQ(doc.ChildCount(shelf), 3);
  EXPECT_EQ(doc.ChildNames(shelf, names), 3);
  EXPECT_EQ(names, (TextArray{"书", "书", "杂志"}));
  Text second = "书架/书[2]";
  EXPECT_EQ(doc.ChildNames(second, names), 2);
  EXPECT_EQ(names, (TextArray{"#text", "注"}));

  EXPECT_EQ(doc.RootName(), "书架");
  EXPECT_EQ(doc.RootNode().NodeName(), "书架");
  EXPECT_EQ(doc.ParentNode(path).NodeName(), "书架");
  EXPECT_EQ(doc.ParentName(doc.SelectNode(path)), "书架");
  EXPECT_EQ(doc.ParentName(doc.RootNode()), "#document");
  EXPECT_EQ(doc.GetText(), "红楼梦西游记");
  EXPECT_EQ(doc.GetUrl(), "");

  Text missing = "书架/报纸";
  EXPECT_EQ(doc.GetNodeText(missing), "");
  EXPECT_EQ(doc.AttributeCount(missing), 0);
  EXPECT_EQ(doc.ListAttributes(missing, &names, &values), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(doc.ChildCount(missing), 0);
  EXPECT_FALSE(doc.ParentNode(missing));
}

struct AttributeCase {
  std::string name;
  Text asked;
  Text value;
  Text nameAfter;
};

class XmlGetAttribute : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(XmlGetAttribute, ByNameOrByNumber) {
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadXml("<r><n x=\"甲\" y=\"乙\"/></r>"));
  Text path = "r/n";
  Text name = GetParam().asked;
  EXPECT_EQ(doc.GetAttribute(path, name), GetParam().value);
  EXPECT_EQ(name, GetParam().nameAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlGetAttribute,
                         ::testing::Values(AttributeCase{"ByName", "y", "乙", "y"},
                                           AttributeCase{"Missing", "z", "", "z"},
                                           AttributeCase{"Second", "@2", "乙", "2"},
                                           AttributeCase{"First", "@1", "甲", "1"},
                                           AttributeCase{"BeyondTheCount", "@3", "", "3"},
                                           AttributeCase{"Zero", "@0", "", "0"},
                                           AttributeCase{"AtNotFirst", "x@1", "", "@1"}),
                         [](const ::testing::TestParamInfo<AttributeCase>& info) {
                           return info.param.name;
                         });

TEST_F(XmlDocumentTest, SetAttributeNewThenReplaced) {
  Text path = "书架/杂志";
  EXPECT_TRUE(doc.SetAttribute(path, "期", "3"));
  EXPECT_EQ(path, "//书架/杂志");
  EXPECT_FALSE(doc.SetAttribute(path, "期", "4"));
  Text name = "期";
  EXPECT_EQ(doc.GetAttribute(path, name), "4");
  EXPECT_EQ(doc.AttributeCount(path), 1);
  // Nothing to set it on, or a name that is not a name: nothing is replaced.
  Text missing = "书架/报纸";
  EXPECT_TRUE(doc.SetAttribute(missing, "期", "1"));
  EXPECT_TRUE(doc.SetAttribute(path, "a b", "1"));
  EXPECT_TRUE(doc.SetAttribute(path, "", "1"));
  EXPECT_EQ(doc.AttributeCount(path), 1);
}

TEST_F(XmlDocumentTest, ReplacedAttributeKeepsItsPlace) {
  Text path = "书架/书";
  EXPECT_FALSE(doc.SetAttribute(path, "编号", "9"));
  TextArray names;
  TextArray values;
  doc.ListAttributes(path, &names, &values);
  EXPECT_EQ(names, (TextArray{"编号", "类"}));
  EXPECT_EQ(values, (TextArray{"9", "小说"}));
}

TEST_F(XmlDocumentTest, WriteOperations) {
  Text path = "书架/书";
  EXPECT_TRUE(doc.SetAttributeValue(path, "类", "名著"));
  EXPECT_FALSE(doc.SetAttributeValue(path, "作者", "x"));
  Text name = "类";
  EXPECT_EQ(doc.GetAttribute(path, name), "名著");

  EXPECT_TRUE(doc.SetNodeText(path, "石头记"));
  EXPECT_EQ(doc.GetNodeText(path), "石头记");
  Text empty = "书架/杂志";
  EXPECT_FALSE(doc.SetNodeText(empty, "x"));

  EXPECT_TRUE(doc.RemoveAttribute(path, "类"));
  EXPECT_TRUE(doc.RemoveAttribute(path, "不存在"));
  EXPECT_EQ(doc.AttributeCount(path), 1);
  Text missing = "书架/报纸";
  EXPECT_FALSE(doc.RemoveAttribute(missing, "类"));

  EXPECT_TRUE(doc.RemoveNode(path));
  EXPECT_EQ(doc.GetNodeText(path), "西游记");
  EXPECT_FALSE(doc.RemoveNode(missing));
  Text shelf = "书架";
  EXPECT_EQ(doc.ChildCount(shelf), 2);
}

TEST_F(XmlDocumentTest, RenameAttributeInPlace) {
  Text path = "书架/书";
  EXPECT_TRUE(doc.RenameAttribute(path, "编号", "号"));
  TextArray names;
  TextArray values;
  doc.ListAttributes(path, &names, &values);
  EXPECT_EQ(names, (TextArray{"号", "类"}));
  EXPECT_EQ(values, (TextArray{"1", "小说"}));
  // Onto a name already there: that attribute gives way.
  EXPECT_TRUE(doc.RenameAttribute(path, "号", "类"));
  doc.ListAttributes(path, &names, &values);
  EXPECT_EQ(names, (TextArray{"类"}));
  EXPECT_EQ(values, (TextArray{"1"}));
  EXPECT_FALSE(doc.RenameAttribute(path, "无", "有"));
  EXPECT_FALSE(doc.RenameAttribute(path, "类", "a b"));
  EXPECT_EQ(doc.AttributeCount(path), 1);
}

TEST_F(XmlDocumentTest, RenameNodeKeepsTextAndAttributes) {
  Text path = "书架/书";
  EXPECT_TRUE(doc.RenameNode(path, "册"));
  Text renamed = "书架/册";
  EXPECT_EQ(doc.GetNodeText(renamed), "红楼梦");
  TextArray names;
  TextArray values;
  doc.ListAttributes(renamed, &names, &values);
  EXPECT_EQ(names, (TextArray{"编号", "类"}));
  EXPECT_EQ(values, (TextArray{"1", "小说"}));
  Text shelf = "书架";
  doc.ChildNames(shelf, names);
  EXPECT_EQ(names, (TextArray{"册", "书", "杂志"}));

  // A second element of the new name gets the attributes of its own node,
  // not the first one of that name.
  Text other = "书架/书";
  EXPECT_TRUE(doc.RenameNode(other, "册"));
  doc.ListAttributes(renamed, &names, &values);
  EXPECT_EQ(values, (TextArray{"1", "小说"}));
  Text secondRenamed = "书架/册[2]";
  doc.ListAttributes(secondRenamed, &names, &values);
  EXPECT_EQ(values, (TextArray{"2"}));
  // Child elements are not carried over.
  EXPECT_EQ(doc.ChildCount(secondRenamed), 1);

  EXPECT_FALSE(doc.RenameNode(shelf, "1x"));
  Text missing = "书架/报纸";
  EXPECT_FALSE(doc.RenameNode(missing, "x"));
}

TEST(XmlDocumentAdd, AddElement) {
  XmlDocument doc;
  ASSERT_TRUE(doc.NewDocument("数组"));
  Text parent = "数组";
  EXPECT_TRUE(doc.AddElement(parent, "qu"));
  EXPECT_EQ(parent, "//数组");
  EXPECT_TRUE(doc.AddElement(parent, "名", "值 <&>"));
  Text child = "数组/名";
  EXPECT_EQ(doc.GetNodeText(child), "值 <&>");
  EXPECT_EQ(doc.GetXml(),
            "<?xml version=\"1.0\" encoding=\"gbk\"?>\n<数组><qu/><名>值 &lt;&amp;&gt;</名></数组>\n");

  const Text before = doc.GetXml();
  Text missing = "没有";
  EXPECT_FALSE(doc.AddElement(missing, "qu"));
  EXPECT_FALSE(doc.AddElement(parent, "a b"));
  EXPECT_FALSE(doc.AddElement(parent, ""));
  EXPECT_EQ(doc.GetXml(), before);
}

TEST(XmlDocumentAdd, CDataGoesIntoTheNewElement) {
  XmlDocument doc;
  ASSERT_TRUE(doc.NewDocument("数组"));
  Text parent = "数组";
  ASSERT_TRUE(doc.AddElement(parent, "d", "早"));
  ASSERT_TRUE(doc.AddElement(parent, "d", "<晚>", true));
  EXPECT_EQ(doc.GetXml(), "<?xml version=\"1.0\" encoding=\"gbk\"?>\n<数组><d>早</d><d><![CDATA[<晚>]]></d></数组>\n");
  Text second = "数组/d[2]";
  EXPECT_EQ(doc.GetNodeText(second), "<晚>");
}

TEST(XmlDocumentLoad, LoadXmlParsesTheCharactersWhateverTheDeclarationSays) {
  XmlDocument doc;
  for (const Text& declaration : {Text("<?xml version=\"1.0\" encoding=\"gbk\"?>"),
                                  Text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
                                  Text("<?xml version='1.0' encoding = 'big5'?>"),
                                  Text("<?xml version=\"1.0\" encoding=\"no-such-encoding\"?>"),
                                  Text()}) {
    ASSERT_TRUE(doc.LoadXml(declaration + "<根>中文</根>")) << declaration;
    Text path = "根";
    EXPECT_EQ(doc.GetNodeText(path), "中文") << declaration;
  }
}

TEST(XmlDocumentLoad, MalformedTextFailsAndLeavesTheDocumentEmpty) {
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadXml("<a/>"));
  for (const Text& bad : {Text("<a>"), Text("<a></b>"), Text(""), Text("text"), Text("<a/><b/>"),
                          Text("<1/>")}) {
    EXPECT_FALSE(doc.LoadXml(bad)) << bad;
    EXPECT_EQ(doc.RootName(), "") << bad;
    EXPECT_EQ(doc.GetXml(), "") << bad;
  }
}

TEST(XmlDocumentLoad, WhitespaceBetweenElementsIsNotANode) {
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadXml("<r>\r\n  <a/>\r\n  <b> x </b>\r\n</r>"));
  Text path = "r";
  EXPECT_EQ(doc.ChildCount(path), 2);
  Text b = "r/b";
  EXPECT_EQ(doc.GetNodeText(b), " x ");
}

TEST(XmlDocumentFiles, ExportWithoutAPlaceShowsTheMessage) {
  RecordingMessages messages;
  XmlDocument doc(&messages);
  ASSERT_TRUE(doc.NewDocument("数组"));
  EXPECT_FALSE(doc.ExportToFile());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "导出到文件() 命令需要提供在保存的文件位置");
}

TEST(XmlDocumentFiles, ProcessWideMessageServiceWhenTheDocumentHasNone) {
  RecordingMessages messages;
  SetXmlMessageBoxService(&messages);
  XmlDocument doc;
  ASSERT_TRUE(doc.NewDocument("数组"));
  EXPECT_FALSE(doc.ExportToFile());
  SetXmlMessageBoxService(nullptr);
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST(XmlDocumentFiles, ExportSavesInTheDeclaredEncodingAndLoadsBack) {
  TempDir dir;
  const Text path = dir.path().string() + "/导出.xml";  // ASCII folder, code page 936 name
  XmlDocument doc;
  ASSERT_TRUE(doc.NewDocument("数组"));
  Text parent = "数组";
  ASSERT_TRUE(doc.AddElement(parent, "qu", "中文€"));
  ASSERT_TRUE(doc.ExportToFile(path));

  const fs::path onDisk = dir.path() / fs::path(u8"导出.xml");
  const std::string bytes = ReadFile(onDisk);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"gbk\"?>", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("\xD6\xD0\xCE\xC4"), std::string::npos) << "中文 in code page 936";

  XmlDocument loaded;
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(loaded.GetUrl(), path);
  Text child = "数组/qu";
  EXPECT_EQ(loaded.GetNodeText(child), "中文€");
  // Without a path it saves back where it came from.
  ASSERT_TRUE(loaded.SetNodeText(child, "改"));
  ASSERT_TRUE(loaded.ExportToFile());
  XmlDocument again;
  ASSERT_TRUE(again.Load(path));
  EXPECT_EQ(again.GetNodeText(child), "改");
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(XmlDocumentFiles, SaveThatCannotEncodeLeavesTheOldFile) {
  TempDir dir;
  const Text path = dir.path().string() + "/keep.xml";
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadXml("<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><a/>"));
  std::ofstream(dir.path() / "keep.xml") << "old";
  EXPECT_FALSE(doc.ExportToFile(path));
  EXPECT_EQ(ReadFile(dir.path() / "keep.xml"), "old");
}

TEST(XmlDocumentFiles, LoadRefusesAddressesAndMissingFiles) {
  TempDir dir;
  XmlDocument doc;
  ASSERT_TRUE(doc.NewDocument("a"));
  EXPECT_FALSE(doc.Load("http://127.0.0.1:1/a.xml"));
  EXPECT_EQ(doc.RootName(), "");
  EXPECT_FALSE(doc.Load(dir.path().string() + "/none.xml"));
  EXPECT_FALSE(doc.Load(""));
  EXPECT_EQ(doc.GetUrl(), "");
  EXPECT_FALSE(doc.ExportToFile(dir.path().string() + "/empty.xml"));
  EXPECT_FALSE(doc.ExportToFile(dir.path().string() + "/no/such/folder.xml"));
}

TEST_F(XmlDocumentTest, CloneAndReplaceNodes) {
  Text path = "书架/书";
  XmlNode book = doc.SelectNode(path);
  XmlNode clone = doc.CloneNode(book);
  ASSERT_TRUE(clone);
  EXPECT_EQ(clone.NodeName(), "书");
  EXPECT_FALSE(clone.ParentNode());
  Text magazine = "书架/杂志";
  XmlNode old = doc.ReplaceNode(doc.SelectNode(magazine), clone);
  EXPECT_EQ(old.NodeName(), "杂志");
  Text shelf = "书架";
  TextArray names;
  doc.ChildNames(shelf, names);
  EXPECT_EQ(names, (TextArray{"书", "书", "书"}));
  Text third = "书架/书[3]";
  EXPECT_EQ(doc.ChildCount(third), 0) << "a clone has no children";
  Text number = "编号";
  EXPECT_EQ(doc.GetAttribute(third, number), "1") << "but keeps its attributes";

  // A node cannot take the place of its own descendant, nor the root that of
  // a text.
  Text text = "书架/书/text()";
  EXPECT_FALSE(doc.ReplaceNode(doc.SelectNode(text), doc.RootNode()));
  EXPECT_FALSE(doc.ReplaceNode(doc.RootNode(), doc.SelectNode(text)));
  EXPECT_FALSE(doc.ReplaceNode(XmlNode(), clone));
  doc.ChildNames(shelf, names);
  EXPECT_EQ(names.size(), 3u);
}

TEST_F(XmlDocumentTest, EngineObjectsSetAttributeNode) {
  XmlDom dom = doc.DocumentObject();
  ASSERT_TRUE(dom);
  Text path = "书架/杂志";
  XmlNode magazine = doc.SelectNode(path);
  XmlNode first = dom.CreateAttribute("a甲", "1");
  ASSERT_TRUE(first);
  EXPECT_FALSE(magazine.SetAttributeNode(first));
  XmlNode second = dom.CreateAttribute("a甲", "2");
  XmlNode replaced = magazine.SetAttributeNode(second);
  ASSERT_TRUE(replaced);
  EXPECT_TRUE(replaced.IsSameNode(first));
  EXPECT_EQ(replaced.NodeValue(), "1");
  EXPECT_FALSE(replaced.ParentNode());
  // An attribute that belongs to an element cannot be set on another one.
  Text bookPath = "书架/书";
  EXPECT_FALSE(doc.SelectNode(bookPath).SetAttributeNode(second));
  EXPECT_EQ(doc.AttributeCount(bookPath), 2);
  EXPECT_FALSE(dom.CreateAttribute("a b"));
  EXPECT_FALSE(dom.CreateElement("<x>"));
  EXPECT_FALSE(magazine.SetAttributeNode(XmlNode()));
  EXPECT_EQ(dom.DocumentElement().NodeName(), "书架");
  EXPECT_EQ(doc.AttributeCount(path), 1);
}

TEST_F(XmlDocumentTest, HandlesOutliveRemovalReloadAndClose) {
  Text path = "书架/书";
  XmlNode book = doc.SelectNode(path);
  XmlNode shelf = book.ParentNode();
  ASSERT_TRUE(doc.RemoveNode(path));
  ASSERT_TRUE(doc.SetNodeText(path, "改"));
  EXPECT_EQ(book.NodeName(), "书");
  ASSERT_TRUE(doc.LoadXml("<new/>"));
  EXPECT_EQ(book.NodeName(), "书");
  EXPECT_EQ(shelf.NodeName(), "书架");
  doc.Close();
  EXPECT_EQ(book.NodeName(), "书");
  // A node of the old tree cannot be placed into the new one.
  XmlDocument other;
  ASSERT_TRUE(other.LoadXml("<r><c/></r>"));
  EXPECT_FALSE(other.ReplaceNode(other.RootNode(), book));
}

TEST_F(XmlDocumentTest, CopiesShareTheDocument) {
  XmlDocument copy(doc);
  Text path = "书架/杂志";
  EXPECT_TRUE(copy.SetAttribute(path, "k", "v"));
  EXPECT_EQ(doc.AttributeCount(path), 1);
  doc.Close();
  EXPECT_EQ(copy.AttributeCount(path), 1) << "closing one object leaves the copy its document";
}

TEST_F(XmlDocumentTest, AfterCloseEverythingIsEmpty) {
  XmlNode root = doc.RootNode();
  doc.Close();
  Text path = "书架/书";
  Text name = "编号";
  TextArray names{"x"};
  TextArray values{"y"};
  EXPECT_FALSE(doc.NewDocument("数组"));
  EXPECT_FALSE(doc.LoadXml("<a/>"));
  EXPECT_FALSE(doc.Load("/etc/hostname"));
  EXPECT_FALSE(doc.DocumentObject());
  EXPECT_FALSE(doc.ExportToFile());
  EXPECT_FALSE(doc.ExportToFile("/tmp/never.xml"));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(doc.GetText(), "");
  EXPECT_EQ(doc.GetXml(), "");
  EXPECT_FALSE(doc.RenameAttribute(path, "编号", "号"));
  EXPECT_FALSE(doc.SetAttributeValue(path, "编号", "2"));
  EXPECT_FALSE(doc.SetNodeText(path, "x"));
  EXPECT_FALSE(doc.RenameNode(path, "x"));
  EXPECT_FALSE(doc.AddElement(path, "x"));
  EXPECT_FALSE(doc.RemoveNode(path));
  EXPECT_TRUE(doc.SetAttribute(path, "x", "1"));
  EXPECT_FALSE(doc.RemoveAttribute(path, "编号"));
  EXPECT_EQ(doc.GetUrl(), "");
  EXPECT_EQ(doc.GetAttribute(path, name), "");
  EXPECT_EQ(doc.ListAttributes(path, &names, &values), 0);
  EXPECT_EQ(doc.AttributeCount(path), 0);
  EXPECT_EQ(doc.GetNodeText(path), "");
  EXPECT_EQ(doc.ChildNames(path, names), 0);
  EXPECT_EQ(doc.ChildCount(path), 0);
  EXPECT_EQ(doc.RootName(), "");
  EXPECT_EQ(doc.ParentName(root), "");
  EXPECT_FALSE(doc.RootNode());
  EXPECT_FALSE(doc.ParentNode(path));
  EXPECT_FALSE(doc.SelectNode(path));
  EXPECT_EQ(path, "//书架/书") << "the path is still normalised";
  EXPECT_FALSE(doc.CloneNode(root));
  EXPECT_FALSE(doc.ReplaceNode(root, root));
}

}  // namespace
}  // namespace qrh
