// The main window at start-up and the operator's inputs, driven by object name.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <optional>

#include "app/app_test_helpers.h"
#include "app/dialogs.h"
#include "app/inputs.h"
#include "app/main_window.h"
#include "app/qt_text.h"
#include "harvest/run_state.h"
#include "text/text_rules.h"

namespace qrh::test {
namespace {

using app::Dialogs;
using app::DialogRequest;
using app::MainWindow;
using app::ToQString;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dialogs::Reset();
    window_.emplace(run_);
  }
  void TearDown() override {
    window_.reset();
    Dialogs::Reset();
  }
  MainWindow& window() { return *window_; }
  Controls& controls() { return window_->controls(); }
  QWidget* Widget(std::string_view name) { return window_->Control<QWidget>(name); }

  RunState run_;
  std::optional<MainWindow> window_;
};

// Every control of the window as it is right after start-up.
struct ControlRow {
  const char* name;
  const char* kind;    // Qt class the control is (or derives from)
  const char* parent;  // the group box that holds it, or "" for the window
  QRect geometry;
  Text text;           // as read through the control operations
  int checked;         // 1 or 0 for radio buttons, -1 otherwise
};

TEST_F(MainWindowTest, StartUpStateOfEveryControl) {
  const ControlRow rows[] = {
      {"分组框1", "QGroupBox", "", {4, 5, 172, 121}, "关键词(将TXT文档拖拽进来)", -1},
      {"分组框2", "QGroupBox", "", {177, 5, 205, 121}, "采集配置", -1},
      {"分组框4", "QGroupBox", "", {384, 5, 102, 121}, "二维码发布时间", -1},
      {"分组框3", "QGroupBox", "", {487, 5, 212, 121}, "导出选项(XLS/GIF)", -1},
      {"分组框5", "QGroupBox", "", {712, 8, 248, 120}, "使用方法", -1},
      {"标签1", "QLabel", "", {712, 16, 248, 112}, "", -1},
      {"超级列表框1", "QTableView", "", {0, 130, 968, 441}, "", -1},
      {"状态条1", "QStatusBar", "", {0, 568, 968, 20}, "准备就绪", -1},
      {"编辑框_关键词", "QPlainTextEdit", "分组框1", {7, 13, 157, 101}, "", -1},
      {"透明标签1", "QLabel", "分组框2", {6, 14, 64, 32}, "采集页数：", -1},
      {"编辑框_采集页数", "QLineEdit", "分组框2", {64, 20, 30, 19}, "1", -1},
      {"透明标签2", "QLabel", "分组框2", {104, 14, 56, 32}, "线程总数：", -1},
      {"组合框1", "QComboBox", "分组框2", {160, 21, 40, 20}, "5", -1},
      {"按钮_采集", "QPushButton", "分组框2", {23, 50, 72, 24}, "采集", -1},
      {"按钮_停止", "QPushButton", "分组框2", {121, 50, 72, 24}, "停止", -1},
      {"按钮_导入", "QPushButton", "分组框2", {23, 86, 72, 24}, "导入关键词", -1},
      {"按钮_清空", "QPushButton", "分组框2", {121, 86, 72, 24}, "清空", -1},
      {"单选框_一天内", "QRadioButton", "分组框4", {8, 19, 80, 24}, "1天内", 0},
      {"单选框_一周内", "QRadioButton", "分组框4", {8, 43, 80, 24}, "1周内", 0},
      {"单选框_一个月内", "QRadioButton", "分组框4", {7, 65, 80, 24}, "1个月内", 0},
      {"单选框_全部时间", "QRadioButton", "分组框4", {5, 90, 80, 24}, "全部时间", 1},
      {"单选框1", "QRadioButton", "分组框3", {4, 19, 62, 16}, "全部", 1},
      {"单选框2", "QRadioButton", "分组框3", {110, 14, 88, 20}, "全部二维码", 0},
      {"单选框_个人微信", "QRadioButton", "分组框3", {3, 37, 81, 20}, "个人二维码", 0},
      {"单选框_微信群", "QRadioButton", "分组框3", {111, 38, 94, 20}, "微信群二维码", 0},
      {"单选框_地区", "QRadioButton", "分组框3", {3, 56, 65, 24}, "按地区", 0},
      {"组合框2", "QComboBox", "分组框3", {63, 59, 72, 20}, "", -1},
      {"编辑框_路径", "QLineEdit", "分组框3", {6, 84, 78, 21}, app::RunDirectory(), -1},
      {"按钮_保存路径", "QPushButton", "分组框3", {92, 82, 61, 28}, "保存路径", -1},
      {"按钮_导出", "QPushButton", "分组框3", {156, 81, 48, 28}, "导出", -1},
      {"标签2", "QLabel", "分组框5", {8, 25, 232, 96}, "", -1},
  };
  for (const ControlRow& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget* w = Widget(row.name);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->inherits(row.kind)) << w->metaObject()->className();
    const QString parentName = w->parentWidget() == &window()
                                   ? QString()
                                   : w->parentWidget()->objectName();
    EXPECT_EQ(parentName, ToQString(Text(row.parent)));
    EXPECT_EQ(w->geometry(), row.geometry);
    EXPECT_TRUE(w->isEnabled());
    if (std::string_view(row.name) != "标签2") {
      EXPECT_EQ(controls().GetText(row.name), row.text);
    }
    if (row.checked >= 0) {
      EXPECT_EQ(controls().IsChecked(row.name), row.checked == 1);
    }
  }
  EXPECT_EQ(window().pos(), QPoint(50, 50));
  EXPECT_EQ(window().size(), QSize(968, 588));
  EXPECT_FALSE(window().windowTitle().isEmpty());

  // The usage text: the five steps, then two lines of our own.
  const TextArray usage = SplitText(controls().GetText("标签2"), "\r\n");
  ASSERT_EQ(usage.size(), 7u);
  EXPECT_EQ(usage[0], "1、先输入关键字（一行一个关键字）");
  EXPECT_EQ(usage[1], "2、设置采集页数（根据自己采集量设置）");
  EXPECT_EQ(usage[2], "3、设置线程（采集量大线程就大）");
  EXPECT_EQ(usage[3], "4、设置发布时间（群二维码设置7天以内）");
  EXPECT_EQ(usage[4], "5、导出按自己需求导出即可");

  // Drop-down lists: thread counts fixed and not editable; no regions.
  auto* threads = window().Control<QComboBox>("组合框1");
  EXPECT_FALSE(threads->isEditable());
  EXPECT_EQ(threads->count(), 3);
  EXPECT_EQ(controls().GetSelection("组合框1"), 0);
  EXPECT_EQ(controls().GetItemText("组合框1", 1), "10");
  EXPECT_EQ(controls().GetItemText("组合框1", 2), "20");
  EXPECT_FALSE(window().Control<QComboBox>("组合框2")->isEditable());
  EXPECT_EQ(window().Control<QComboBox>("组合框2")->count(), 0);
  EXPECT_EQ(controls().GetSelection("组合框2"), -1);

  // The result table: 12 titled columns with their widths, no rows.
  const TextArray titles = {"ID",   "群/公众号名称", "URL",  "来自",   "简介",       "行业",
                            "时间", "地区",          "标签", "微信号", "二维码图片", "工作状态"};
  const int widths[] = {50, 100, 0, 100, 100, 80, 80, 80, 80, 100, 100, 70};
  QTableView* view = window().tableView();
  ASSERT_EQ(view->model()->columnCount(), 12);
  for (int c = 0; c < 12; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(app::FromQString(view->model()->headerData(c, Qt::Horizontal).toString()),
              titles[c]);
    EXPECT_EQ(view->horizontalHeader()->sectionSize(c), widths[c]);
  }
  EXPECT_EQ(app::ResultColumns(), titles);
  EXPECT_EQ(controls().RowCount(), 0);
}

TEST_F(MainWindowTest, RadioButtonsAreExclusivePerGroupBox) {
  window().show();
  QTest::mouseClick(window().Control<QRadioButton>("单选框_一周内"), Qt::LeftButton);
  EXPECT_TRUE(controls().IsChecked("单选框_一周内"));
  EXPECT_FALSE(controls().IsChecked("单选框_全部时间"));
  EXPECT_TRUE(controls().IsChecked("单选框1"));  // the other box keeps its choice
  QTest::mouseClick(window().Control<QRadioButton>("单选框_地区"), Qt::LeftButton);
  EXPECT_TRUE(controls().IsChecked("单选框_地区"));
  EXPECT_FALSE(controls().IsChecked("单选框1"));
  EXPECT_TRUE(controls().IsChecked("单选框_一周内"));
}

TEST_F(MainWindowTest, PageCountTyping) {
  struct Case {
    const char* name;
    QString before;
    QString typed;
    QString after;
  } cases[] = {
      {"letter refused", "1", "a", "1"},
      {"digits accepted", "", "25", "25"},
      {"minus accepted", "", "-5", "-5"},
      {"fourth character refused", "12", "34", "123"},
      {"space and symbols refused", "", " +x.", ""},
  };
  auto* box = window().Control<QLineEdit>("编辑框_采集页数");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    box->setText(c.before);
    box->end(false);
    QTest::keyClicks(box, c.typed);
    EXPECT_EQ(box->text(), c.after);
  }
}

// Keyword files in the encodings an operator meets, read by the import button.
struct ImportCase {
  const char* name;
  std::string bytes;
  Text keywords;
};

void PrintTo(const ImportCase& c, std::ostream* os) { *os << c.name; }

class KeywordImportTest : public MainWindowTest,
                          public ::testing::WithParamInterface<ImportCase> {};

TEST_P(KeywordImportTest, FillsKeywordBoxReplacingItsContent) {
  QTemporaryDir dir;
  const QString path = WriteFile(dir, QStringLiteral("keywords.txt"), GetParam().bytes);
  controls().SetText("编辑框_关键词", "旧关键词\r\n旧");
  Dialogs::AnswerNextOpenFile(path);
  QTest::mouseClick(window().Button("按钮_导入"), Qt::LeftButton);
  EXPECT_EQ(controls().GetText("编辑框_关键词"), GetParam().keywords);

  const auto requests = Dialogs::Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].kind, DialogRequest::Kind::kOpenFile);
  EXPECT_EQ(requests[0].filter, ToQString(Text("文本文档 (*.txt)")));
  EXPECT_EQ(requests[0].defaultSuffix, QStringLiteral("txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, KeywordImportTest,
    ::testing::Values(
        ImportCase{"cp936_three_lines", "北京\r\n上海\r\n广州", "北京\r\n上海\r\n广州"},
        ImportCase{"utf8_without_bom", Utf8(u8"北京\r\n上海"), "北京\r\n上海"},
        ImportCase{"utf8_with_bom", Utf8(u8"\uFEFF北京\n上海"), "北京\r\n上海"},
        ImportCase{"utf16le_with_bom", "\xFF\xFE" + Utf16Bytes(u"北京\r\n上海", false),
                   "北京\r\n上海"},
        ImportCase{"utf16be_with_bom", "\xFE\xFF" + Utf16Bytes(u"北京\n上海", true),
                   "北京\r\n上海"},
        ImportCase{"lf_only", "a\nb\n", "a\r\nb\r\n"},
        ImportCase{"cr_only", "a\rb", "a\r\nb"},
        ImportCase{"cp936_cut_at_zero_byte", std::string("北京\0上海", 9), "北京"},
        ImportCase{"utf8_character_cp936_lacks", Utf8(u8"한국\n北京"), "??\r\n北京"},
        ImportCase{"ascii", "wechat group", "wechat group"},
        ImportCase{"empty_file", "", ""}),
    [](const ::testing::TestParamInfo<ImportCase>& info) { return info.param.name; });

TEST_F(MainWindowTest, ImportCancelledChangesNothing) {
  controls().SetText("编辑框_关键词", "旧");
  Dialogs::AnswerNextOpenFile(std::nullopt);
  QTest::mouseClick(window().Button("按钮_导入"), Qt::LeftButton);
  EXPECT_EQ(controls().GetText("编辑框_关键词"), "旧");
}

TEST_F(MainWindowTest, ImportOfUnreadableFileEmptiesTheBox) {
  QTemporaryDir dir;
  controls().SetText("编辑框_关键词", "旧");
  Dialogs::AnswerNextOpenFile(dir.filePath(QStringLiteral("missing.txt")));
  QTest::mouseClick(window().Button("按钮_导入"), Qt::LeftButton);
  EXPECT_EQ(controls().GetText("编辑框_关键词"), "");
}

// Sends a drop of the given files to target, as the window system would.
void DropFiles(QWidget* target, const QStringList& paths) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  mime.setUrls(urls);
  const QPointF at(target->width() / 2.0, target->height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

TEST_F(MainWindowTest, DroppedFiles) {
  QTemporaryDir dir;
  const QString txt = WriteFile(dir, QStringLiteral("a.txt"), "甲\r\n乙");
  const QString other = WriteFile(dir, QStringLiteral("keywords.dat"), Utf8(u8"丙\n丁"));
  struct Case {
    const char* name;
    QWidget* target;
    QStringList files;
    Text keywords;
  } cases[] = {
      {"one file on the table", window().tableView()->viewport(), {txt}, "甲\r\n乙"},
      {"one file on the keyword box itself",
       window().Control<QPlainTextEdit>("编辑框_关键词")->viewport(), {txt}, "甲\r\n乙"},
      {"any extension, on the window", &window(), {other}, "丙\r\n丁"},
      {"two files empty the box", Widget("分组框2"), {txt, other}, ""},
      {"a missing file empties the box", Widget("状态条1"), {dir.filePath("none.txt")}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    controls().SetText("编辑框_关键词", "旧");
    DropFiles(c.target, c.files);
    EXPECT_EQ(controls().GetText("编辑框_关键词"), c.keywords);
  }
}

TEST_F(MainWindowTest, SaveFolderChooser) {
  struct Case {
    const char* name;
    std::optional<QString> answer;
    Text box;
  } cases[] = {
      {"cancel empties the box", std::nullopt, ""},
      {"choice shown in full", ToQString(Text("/home/用户/导出")), "/home/用户/导出"},
      {"answer trimmed", ToQString(Text(" /srv/data　")), "/srv/data"},
      {"root folder", QStringLiteral("/"), "/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dialogs::Reset();
    controls().SetText("编辑框_路径", "/before");
    Dialogs::AnswerNextFolder(c.answer);
    QTest::mouseClick(window().Button("按钮_保存路径"), Qt::LeftButton);
    EXPECT_EQ(controls().GetText("编辑框_路径"), c.box);
    const auto requests = Dialogs::Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, DialogRequest::Kind::kFolder);
    EXPECT_EQ(requests[0].title, ToQString(Text("保存路径")));
    EXPECT_TRUE(requests[0].initialFolder.isEmpty());
    EXPECT_FALSE(requests[0].includeFiles);
    EXPECT_FALSE(requests[0].showEditBox);
    EXPECT_TRUE(requests[0].newDialogStyle);
    EXPECT_FALSE(requests[0].hasOwner);
  }
}

TEST_F(MainWindowTest, ChooseFolderRemembersItsInitialFolder) {
  Dialogs::AnswerNextFolder(QStringLiteral("/tmp/x"));
  EXPECT_EQ(window().inputs().ChooseFolder("选择", true, "/tmp/起点", true, false), "/tmp/x");
  EXPECT_EQ(run_.FolderDialogInitialPath, "/tmp/起点");
  const auto requests = Dialogs::Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].title, ToQString(Text("选择")));
  EXPECT_EQ(requests[0].initialFolder, ToQString(Text("/tmp/起点")));
  EXPECT_TRUE(requests[0].includeFiles);
  EXPECT_TRUE(requests[0].showEditBox);
  EXPECT_FALSE(requests[0].newDialogStyle);
  // The defaults: the generic title, and an empty initial folder replaces the old one.
  EXPECT_EQ(window().inputs().ChooseFolder(), "");
  EXPECT_EQ(Dialogs::Requests().back().title, ToQString(Text("请选择一个文件夹")));
  EXPECT_EQ(run_.FolderDialogInitialPath, "");
}

TEST_F(MainWindowTest, ClearEmptiesTheTableAndStartsANewGeneration) {
  controls().SetText("编辑框_关键词", "留下");
  const int row = controls().AppendRow();
  controls().SetCell(row, 0, "1");
  const std::uint64_t before = controls().TableGeneration();
  QTest::mouseClick(window().Button("按钮_清空"), Qt::LeftButton);
  EXPECT_EQ(controls().RowCount(), 0);
  EXPECT_EQ(controls().TableGeneration(), before + 1);
  EXPECT_EQ(controls().GetText("编辑框_关键词"), "留下");
  EXPECT_EQ(controls().GetText("状态条1"), "准备就绪");
  // A worker of the old table writes into the new table's row 0: dropped.
  EXPECT_EQ(controls().AppendRow(), 0);
  controls().SetCellInGeneration(before, 0, 11, "采集完成");
  EXPECT_EQ(controls().GetCell(0, 11), "");
  controls().SetCellInGeneration(before + 1, 0, 11, "采集完成");
  EXPECT_EQ(controls().GetCell(0, 11), "采集完成");
}

TEST_F(MainWindowTest, ControlOperationsOnTheGuiThread) {
  // Multi-line box: lines read back joined by "\r\n".
  controls().SetText("编辑框_关键词", "一\r\n二\n三");
  EXPECT_EQ(controls().GetText("编辑框_关键词"), "一\r\n二\r\n三");
  EXPECT_EQ(window().Control<QPlainTextEdit>("编辑框_关键词")->blockCount(), 3);

  // Drop-down lists: appending keeps "nothing selected"; bad indexes read empty.
  controls().AddItem("组合框2", "北京");
  controls().AddItem("组合框2", "");
  EXPECT_EQ(controls().GetSelection("组合框2"), -1);
  EXPECT_EQ(controls().GetItemText("组合框2", 0), "北京");
  EXPECT_EQ(controls().GetItemText("组合框2", 1), "");
  EXPECT_EQ(controls().GetItemText("组合框2", 2), "");
  EXPECT_EQ(controls().GetItemText("组合框2", -1), "");
  controls().SetSelection("组合框2", 0);
  EXPECT_EQ(controls().GetText("组合框2"), "北京");
  controls().SetSelection("组合框2", 5);
  EXPECT_EQ(controls().GetSelection("组合框2"), -1);
  controls().ClearItems("组合框2");
  EXPECT_EQ(window().Control<QComboBox>("组合框2")->count(), 0);

  // Buttons and status.
  controls().SetEnabled("按钮_采集", false);
  EXPECT_FALSE(window().Button("按钮_采集")->isEnabled());
  controls().SetStatus("正在采集详细信息,请稍候...");
  EXPECT_EQ(window().Control<QStatusBar>("状态条1")->currentMessage(),
            ToQString(Text("正在采集详细信息,请稍候...")));

  // The table: rows and columns outside it read empty; writes there do nothing.
  EXPECT_EQ(controls().AppendRow(), 0);
  EXPECT_EQ(controls().AppendRow(), 1);
  controls().SetCell(1, 2, "http://example.test/1");
  controls().SetCell(2, 0, "x");
  controls().SetCell(0, 12, "x");
  controls().SetCell(-1, 0, "x");
  EXPECT_EQ(controls().RowCount(), 2);
  EXPECT_EQ(controls().GetCell(1, 2), "http://example.test/1");
  EXPECT_EQ(controls().GetCell(2, 0), "");
  EXPECT_EQ(controls().GetCell(0, 12), "");
  EXPECT_EQ(controls().GetCell(0, -1), "");
  // The view sees the rows and the hidden URL column once the model flushes.
  window().table().FlushToView();
  EXPECT_EQ(window().tableView()->model()->rowCount(), 2);
  EXPECT_EQ(window().tableView()->model()->index(1, 2).data().toString(),
            QStringLiteral("http://example.test/1"));

  // Unknown controls: nothing happens, empty answers.
  controls().SetText("没有这个控件", "x");
  EXPECT_EQ(controls().GetText("没有这个控件"), "");
  EXPECT_FALSE(controls().IsChecked("没有这个控件"));
  EXPECT_EQ(controls().GetSelection("没有这个控件"), -1);
}

TEST_F(MainWindowTest, HundredThousandRowsReachTheView) {
  window().show();
  constexpr int kRows = 100000;
  for (int r = 0; r < kRows; ++r) {
    const int row = controls().AppendRow();
    controls().SetCell(row, 0, IntToText(row + 1));
    controls().SetCell(row, 11, "采集完成");
    if (r % 5000 == 0) QCoreApplication::processEvents();  // the view repaints meanwhile
  }
  window().table().FlushToView();
  QTableView* view = window().tableView();
  view->scrollToBottom();
  EXPECT_FALSE(view->grab().isNull());
  ASSERT_EQ(view->model()->rowCount(), kRows);
  EXPECT_EQ(view->model()->index(kRows - 1, 0).data().toString(), QStringLiteral("100000"));
  EXPECT_EQ(view->rowAt(view->viewport()->height() - 1), kRows - 1);
  QTest::mouseClick(window().Button("按钮_清空"), Qt::LeftButton);
  EXPECT_EQ(view->model()->rowCount(), 0);
}

TEST_F(MainWindowTest, MessageBoxHasTheInformationCaption) {
  controls().ShowMessage("请输入关键词或导入关键词");
  const auto requests = Dialogs::Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].kind, DialogRequest::Kind::kMessage);
  EXPECT_EQ(requests[0].title, ToQString(Text("信息：")));
  EXPECT_EQ(requests[0].text, ToQString(Text("请输入关键词或导入关键词")));
}

TEST(ProgramFolder, HasNoTrailingSlash) {
  EXPECT_EQ(app::FolderOfProgram(QStringLiteral("/opt/qrharvest/bin/qrharvest")),
            "/opt/qrharvest/bin");
  EXPECT_EQ(app::FolderOfProgram(QStringLiteral("/qrharvest")), "/");
  EXPECT_EQ(app::FolderOfProgram(ToQString(Text("/home/张三/工具/qrharvest"))), "/home/张三/工具");
}

}  // namespace
}  // namespace qrh::test
