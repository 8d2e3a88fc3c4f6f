#include "app/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QUrl>

#include "app/qt_text.h"

namespace qrh::app {
namespace {

constexpr int kFontPixels = 12;

// The text of the usage label: five steps and two hints, one per line.
const char kUsageText[] =
    "1、先输入关键字（一行一个关键字）\r\n"
    "2、设置采集页数（根据自己采集量设置）\r\n"
    "3、设置线程（采集量大线程就大）\r\n"
    "4、设置发布时间（群二维码设置7天以内）\r\n"
    "5、导出按自己需求导出即可\r\n"
    "6、TXT文档拖到窗口上即可导入关键词\r\n"
    "7、导出前可点保存路径另选文件夹";

// A label that lays its lines out at a fixed pitch, so that the seven lines
// of the usage text fit their box whatever the font's own line spacing.
class LinesLabel : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    const int pitch = metrics.height() <= kFontPixels + 2 ? metrics.height() : kFontPixels + 1;
    int y = 0;
    const QStringList lines = text().split(QRegularExpression(QStringLiteral("\r\n|\n")));
    for (const QString& line : lines) {
      painter.drawText(QRect(0, y, width(), pitch + 4), Qt::AlignLeft | Qt::AlignTop, line);
      y += pitch;
    }
  }
};

// A group box drawn the classic way: a thin frame whose top edge runs through
// the middle of a one-line title, so that controls placed 13 pixels below
// the box's top are clear of the title whatever the font's line spacing.
class FramedGroupBox : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, 6, 0, 0);
    frame.lineWidth = 1;
    frame.features = QStyleOptionFrame::None;
    style()->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, &painter, this);
    const QFontMetrics metrics(font());
    const QRect titleRect(6, 0, metrics.horizontalAdvance(title()) + 6, 13);
    painter.fillRect(titleRect, palette().color(QPalette::Window));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::WindowText));
    painter.drawText(QPoint(titleRect.left() + 3, 11), title());
  }
};

template <typename T>
T* Place(T* widget, std::string_view name, int left, int top, int width, int height) {
  widget->setObjectName(ToQString(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

QStringList LocalFiles(const QMimeData* mime) {
  QStringList files;
  if (!mime || !mime->hasUrls()) return files;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  return files;
}

}  // namespace

QString MainWindow::ToQStringName(std::string_view name) { return ToQString(name); }

MainWindow::MainWindow(RunState& run, QWidget* parent) : QWidget(parent), run_(run) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(ToQString(Text("微信二维码采集工具 - 按关键词采集微信群、公众号和个人微信二维码")));
  QFont font(QStringLiteral("Noto Sans CJK SC"));
  font.setPixelSize(kFontPixels);
  setFont(font);
  move(kMainWindowLeft, kMainWindowTop);
  setFixedSize(kMainClientWidth, kMainClientHeight);
  BuildControls();
  controls_ = std::make_unique<WidgetControls>(this, table_, statusBar_);
  inputs_ = std::make_unique<InputHandlers>(*controls_, run_, this);
  connect(Button("按钮_导入"), &QPushButton::clicked, this, [this] { inputs_->ImportClicked(); });
  connect(Button("按钮_保存路径"), &QPushButton::clicked, this,
          [this] { inputs_->SaveFolderClicked(); });
  connect(Button("按钮_清空"), &QPushButton::clicked, this, [this] { inputs_->ClearClicked(); });
  OnCreated();
}

MainWindow::~MainWindow() { controls_->Close(); }

QPushButton* MainWindow::Button(std::string_view name) const { return Control<QPushButton>(name); }

void MainWindow::BuildControls() {
  // Directly in the window.
  auto* keywordsBox = Place(new FramedGroupBox(ToQString(Text("关键词(将TXT文档拖拽进来)")), this),
                            "分组框1", 4, 5, 172, 121);
  auto* harvestBox = Place(new FramedGroupBox(ToQString(Text("采集配置")), this), "分组框2", 177, 5, 205, 121);
  auto* timeBox = Place(new FramedGroupBox(ToQString(Text("二维码发布时间")), this), "分组框4", 384, 5, 102, 121);
  auto* exportBox = Place(new FramedGroupBox(ToQString(Text("导出选项(XLS/GIF)")), this), "分组框3", 487, 5, 212, 121);
  auto* usageBox = Place(new FramedGroupBox(ToQString(Text("使用方法")), this), "分组框5", 712, 8, 248, 120);
  Place(new QLabel(this), "标签1", 712, 16, 248, 112);

  table_ = new ResultTableModel(this);
  tableView_ = Place(new QTableView(this), "超级列表框1", 0, 130, 968, 441);
  tableView_->setModel(table_);
  ConfigureResultView(tableView_);

  statusBar_ = Place(new QStatusBar(this), "状态条1", 0, 568, 968, 20);
  statusBar_->setSizeGripEnabled(false);

  // The keyword box.
  auto* keywords = Place(new QPlainTextEdit(keywordsBox), "编辑框_关键词", 7, 13, 157, 101);
  keywords->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  keywords->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  // Harvest settings.
  auto* pagesCaption = Place(new QLabel(ToQString(Text("采集页数：")), harvestBox), "透明标签1", 6, 14, 64, 32);
  auto* pages = Place(new QLineEdit(QStringLiteral("1"), harvestBox), "编辑框_采集页数", 64, 20, 30, 19);
  pages->setAlignment(Qt::AlignCenter);
  pages->setMaxLength(3);
  pages->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9-]*")), pages));
  auto* threadsCaption = Place(new QLabel(ToQString(Text("线程总数：")), harvestBox), "透明标签2", 104, 14, 56, 32);
  for (QLabel* caption : {pagesCaption, threadsCaption}) {
    caption->setAttribute(Qt::WA_TranslucentBackground);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  // "线程总数：" is a little wider than its 56 pixels at the window's font.
  QFont narrow = font();
  narrow.setPixelSize(kFontPixels - 1);
  threadsCaption->setFont(narrow);
  auto* threads = Place(new QComboBox(harvestBox), "组合框1", 160, 21, 40, 20);
  threads->setEditable(false);
  threads->addItems({QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("20")});
  threads->setCurrentIndex(0);
  Place(new QPushButton(ToQString(Text("采集")), harvestBox), "按钮_采集", 23, 50, 72, 24);
  Place(new QPushButton(ToQString(Text("停止")), harvestBox), "按钮_停止", 121, 50, 72, 24);
  Place(new QPushButton(ToQString(Text("导入关键词")), harvestBox), "按钮_导入", 23, 86, 72, 24);
  Place(new QPushButton(ToQString(Text("清空")), harvestBox), "按钮_清空", 121, 86, 72, 24);

  // Time filter: one exclusive group in its box.
  Place(new QRadioButton(ToQString(Text("1天内")), timeBox), "单选框_一天内", 8, 19, 80, 24);
  Place(new QRadioButton(ToQString(Text("1周内")), timeBox), "单选框_一周内", 8, 43, 80, 24);
  Place(new QRadioButton(ToQString(Text("1个月内")), timeBox), "单选框_一个月内", 7, 65, 80, 24);
  Place(new QRadioButton(ToQString(Text("全部时间")), timeBox), "单选框_全部时间", 5, 90, 80, 24)
      ->setChecked(true);

  // Export choice: one exclusive group in its box.
  Place(new QRadioButton(ToQString(Text("全部")), exportBox), "单选框1", 4, 19, 62, 16)->setChecked(true);
  Place(new QRadioButton(ToQString(Text("全部二维码")), exportBox), "单选框2", 110, 14, 88, 20);
  Place(new QRadioButton(ToQString(Text("个人二维码")), exportBox), "单选框_个人微信", 3, 37, 81, 20);
  Place(new QRadioButton(ToQString(Text("微信群二维码")), exportBox), "单选框_微信群", 111, 38, 94, 20);
  Place(new QRadioButton(ToQString(Text("按地区")), exportBox), "单选框_地区", 3, 56, 65, 24);
  auto* regions = Place(new QComboBox(exportBox), "组合框2", 63, 59, 72, 20);
  regions->setEditable(false);
  // The box is narrower than most paths: the whole path shows as its tip.
  auto* folder = Place(new QLineEdit(exportBox), "编辑框_路径", 6, 84, 78, 21);
  connect(folder, &QLineEdit::textChanged, folder, &QLineEdit::setToolTip);
  Place(new QPushButton(ToQString(Text("保存路径")), exportBox), "按钮_保存路径", 92, 82, 61, 28);
  Place(new QPushButton(ToQString(Text("导出")), exportBox), "按钮_导出", 156, 81, 48, 28);

  // Usage.
  Place(new LinesLabel(ToQString(Text(kUsageText)), usageBox), "标签2", 8, 25, 232, 96);
}

void MainWindow::OnCreated() {
  // The drop target: the window itself, and every control that would
  // otherwise take a dropped file for itself.
  setAcceptDrops(true);
  WatchDropsOnChildren();
  controls_->SetText("编辑框_路径", RunDirectory());
  controls_->SetStatus("准备就绪");
}

void MainWindow::WatchDropsOnChildren() {
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  controls_->Close();
  event->accept();
  emit Closed();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QStringList files = LocalFiles(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  inputs_->FilesDropped(files);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (!LocalFiles(drop->mimeData()).isEmpty()) {
      // Files dropped anywhere on the window go to the keyword box, never
      // into the control under the cursor.
      if (type == QEvent::Drop) {
        dropEvent(drop);
      } else {
        drop->acceptProposedAction();
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qrh::app
