#include "frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QToolBar>
#include <QWindow>

#include "frm_about.h"
#include "frm_console.h"
#include "frm_ini.h"
#include "frm_option.h"
#include "icons.h"
#include "result_font.h"
#include "settings_store.h"
#include "twips.h"

namespace zelta::fe {
namespace {

// Rectangles (twips) of the controls the layout moves, as first placed.
constexpr int kTree1Left = 0, kTree1Top = 1200, kTree1Width = 2175, kTree1Height = 6375;
constexpr int kRichLeft = 2280, kRichTop = 1200, kRichWidth = 7215, kRichHeight = 4575;
constexpr int kLabel3Left = 2280, kLabel3Top = 5880, kLabel3Width = 1935, kLabel3Height = 255;
constexpr int kListLeft = 2280, kListTop = 6240, kListWidth = 7215, kListHeight = 1320;
constexpr int kToolbarHeight = 900;

constexpr int kDefaultLeft = 1000, kDefaultTop = 1000, kDefaultWidth = 9945, kDefaultHeight = 8580;

const QString kSettings = QStringLiteral("Settings");

// A stored placement value as a number; the default when it is not one.
int placementValue(const QString& key, int fallback) {
  bool ok = false;
  const float v = GetSetting(kSettings, key, QString::number(fallback)).trimmed().toFloat(&ok);
  if (!ok || !qIsFinite(v) || v < -1.0e7f || v > 1.0e7f) return fallback;
  return qRound(v);
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("zelta"));
  setWindowIcon(appIcon());

  messageBox = [](QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
  };
  runModal = [](QDialog* d) { return d->exec(); };

  buildControls();
  buildMenus();
  buildToolbar();

  // Window-level keys: whichever control has the focus.
  auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
  f3->setContext(Qt::WindowShortcut);
  connect(f3, &QShortcut::activated, this, &frmMain::RunAnalysis);
  auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
  f5->setContext(Qt::WindowShortcut);
  connect(f5, &QShortcut::activated, this, &frmMain::ClearAll);

  // Start-up: placement, the stored options, the prompt.
  loadPlacement();
  dropcount = 0;
  options = new frmoption(this);
  options->loadStored();
  showPrompt();
}

frmMain::~frmMain() = default;

void frmMain::buildControls() {
  client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  setCentralWidget(client);

  Label1 = new QLabel(QStringLiteral("< 解析対象のファイル >"), client);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(pxRect(0, 960, 2175, 255));

  TreeView1 = new DropList(client);
  TreeView1->setObjectName(QStringLiteral("TreeView1"));
  TreeView1->setGeometry(pxRect(kTree1Left, kTree1Top, kTree1Width, kTree1Height));
  connect(TreeView1, &DropList::pathsDropped, this, &frmMain::Drop);
  connect(TreeView1, &DropList::rightButtonReleased, this, [this](const QPoint& at) {
    if (running_) return;
    mnuRightClick->popup(at);
  });

  Label2 = new QLabel(QStringLiteral("< 解析結果 >"), client);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(pxRect(2280, 960, 2535, 255));

  RichTextBox1 = new QPlainTextEdit(client);
  RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
  RichTextBox1->setGeometry(pxRect(kRichLeft, kRichTop, kRichWidth, kRichHeight));
  RichTextBox1->setReadOnly(true);
  RichTextBox1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  RichTextBox1->setLineWrapMode(QPlainTextEdit::NoWrap);
  RichTextBox1->setFont(resultFont());
  RichTextBox1->setTabChangesFocus(true);

  Label3 = new QLabel(QStringLiteral("< メッセージ >"), client);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(pxRect(kLabel3Left, kLabel3Top, kLabel3Width, kLabel3Height));

  listerr = new QListWidget(client);
  listerr->setObjectName(QStringLiteral("listerr"));
  listerr->setGeometry(pxRect(kListLeft, kListTop, kListWidth, kListHeight));

  TreeView2 = new QTreeWidget(client);
  TreeView2->setObjectName(QStringLiteral("TreeView2"));
  TreeView2->setColumnCount(1);
  TreeView2->hide();
  TreeView2->setFocusPolicy(Qt::NoFocus);

  Label1->setFocusPolicy(Qt::NoFocus);
  setTabOrder(TreeView1, RichTextBox1);
  setTabOrder(RichTextBox1, listerr);
}

void frmMain::buildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("menuBar"));

  mnuFile = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  mnuFileSave = mnuFile->addAction(QStringLiteral("上書き保存(&S)"), this, &frmMain::Save);
  mnuFileSave->setObjectName(QStringLiteral("mnuFileSave"));
  mnuFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  mnuFileSaveAs = mnuFile->addAction(QStringLiteral("名前を付けて保存(&D)..."), this, &frmMain::SaveAs);
  mnuFileSaveAs->setObjectName(QStringLiteral("mnuFileSaveAs"));
  mnuFileSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  mnuFile->addSeparator();
  mnuFilePrint = mnuFile->addAction(QStringLiteral("印刷(&P)..."), this, &frmMain::Print);
  mnuFilePrint->setObjectName(QStringLiteral("mnuFilePrint"));
  mnuFilePrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  mnuFile->addSeparator();
  mnuFileExit = mnuFile->addAction(QStringLiteral("終了(&X)"), this, &QWidget::close);
  mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));

  mnuTools = bar->addMenu(QStringLiteral("ﾂｰﾙ(&T)"));
  mnuTools->setObjectName(QStringLiteral("mnuTools"));
  mnuiniwrite = mnuTools->addAction(QStringLiteral("zelta.iniファイルの書き込み(&I)"), this,
                                    &frmMain::ShowIniDialog);
  mnuiniwrite->setObjectName(QStringLiteral("mnuiniwrite"));
  mnuiniwrite->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
  mnuToolsOptions = mnuTools->addAction(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)..."), this, &frmMain::ShowOptions);
  mnuToolsOptions->setObjectName(QStringLiteral("mnuToolsOptions"));
  mnuToolsOptions->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));

  mnuHelp = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  mnuHelpAbout = mnuHelp->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)"), this, &frmMain::ShowAbout);
  mnuHelpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));

  // Not on the menu bar: shown only as the input list's pop-up.
  mnuRightClick = new QMenu(QStringLiteral("右クリックメニュー"), this);
  mnuRightClick->setObjectName(QStringLiteral("mnuRightClick"));
  mnuRemove = mnuRightClick->addAction(QStringLiteral("削除"), this, &frmMain::Remove);
  mnuRemove->setObjectName(QStringLiteral("mnuRemove"));

  for (QAction* a : {mnuFileSave, mnuFileSaveAs, mnuFilePrint, mnuiniwrite, mnuToolsOptions})
    a->setShortcutContext(Qt::WindowShortcut);
}

void frmMain::buildToolbar() {
  tbToolBar = new QToolBar(client);
  tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
  tbToolBar->setMovable(false);
  tbToolBar->setFloatable(false);
  tbToolBar->setIconSize(QSize(48, 48));
  tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  tbToolBar->setGeometry(0, 0, width(), px(kToolbarHeight));
  tbToolBar->setFocusPolicy(Qt::NoFocus);

  // Image-only buttons: no caption, no tool tip; the key says what they do.
  tbAnalyse = tbToolBar->addAction(QIcon(analysePixmap()), QString());
  tbAnalyse->setObjectName(QStringLiteral("tbAnalyse"));
  tbAnalyse->setData(QStringLiteral("解析"));
  tbClear = tbToolBar->addAction(QIcon(clearPixmap()), QString());
  tbClear->setObjectName(QStringLiteral("tbClear"));
  tbClear->setData(QStringLiteral("クリア"));
  connect(tbToolBar, &QToolBar::actionTriggered, this,
          [this](QAction* a) { ButtonClick(a->data().toString()); });
}

void frmMain::ButtonClick(const QString& key) {
  if (key == QStringLiteral("解析"))
    RunAnalysis();
  else if (key == QStringLiteral("クリア"))
    ClearAll();
}

void frmMain::AppendMessage(const QString& line) { listerr->addItem(line); }

QStringList frmMain::inputNames() const {
  QStringList out;
  for (int i = 0; i < TreeView1->topLevelItemCount(); ++i) out << TreeView1->topLevelItem(i)->text(0);
  return out;
}

QStringList frmMain::inputPaths() const {
  QStringList out;
  for (int i = 0; i < TreeView2->topLevelItemCount(); ++i) out << TreeView2->topLevelItem(i)->text(0);
  return out;
}

void frmMain::setMenusEnabled(bool on) {
  for (QMenu* m : {mnuFile, mnuTools, mnuHelp}) {
    m->menuAction()->setEnabled(on);
    m->setEnabled(on);
    // A disabled menu's shortcuts must not fire either.
    for (QAction* a : m->actions()) a->setEnabled(on);
  }
}

void frmMain::ClearAll() {
  if (running_) return;
  TreeView1->clear();
  TreeView2->clear();
  dropcount = 0;
  RichTextBox1->clear();
  argline.clear();
  listerr->clear();
  setMenusEnabled(true);
  showPrompt();
}

void frmMain::noteOpened(QWidget* w) {
  std::erase_if(opened_, [w](const QPointer<QWidget>& p) { return p.isNull() || p == w; });
  opened_.push_back(w);
}

void frmMain::ShowIniDialog() {
  if (!iniDialog) iniDialog = new frmini(this);
  noteOpened(iniDialog);
  iniDialog->Open();
}

void frmMain::ShowOptions() {
  noteOpened(options);
  options->Open();
}

void frmMain::ShowAbout() {
  frmAbout about(this);
  runModal(&about);
}

// ---- layout and placement ----

QRect frmMain::outerTwips() const {
  const QRect f = frameGeometry();
  return QRect(twips(f.x()), twips(f.y()), twips(f.width()), twips(f.height()));
}

void frmMain::applyLayout() {
  const QRect outer = outerTwips();
  const int W = outer.width(), H = outer.height();
  tbToolBar->setGeometry(0, 0, client->width(), px(kToolbarHeight));

  int treeHeight = TreeView1->height();
  if (H - kTree1Top > 900) treeHeight = px(H - kTree1Top - 900);
  TreeView1->setGeometry(px(kTree1Left), px(kTree1Top), px(kTree1Width), treeHeight);

  int richW = RichTextBox1->width(), richH = RichTextBox1->height();
  int richHTw = twips(richH);
  if (W - kRichLeft > 200) richW = px(W - kRichLeft - 200);
  if (H > 3900) {
    richHTw = H - 1200 - 2700;
    richH = px(richHTw);
  }
  RichTextBox1->setGeometry(px(kRichLeft), px(kRichTop), richW, richH);

  int listW = listerr->width();
  if (W - kListLeft > 200) listW = px(W - kListLeft - 200);
  const int label3TopTw = kRichTop + richHTw + 100;
  Label3->setGeometry(px(kLabel3Left), px(label3TopTw), px(kLabel3Width), px(kLabel3Height));
  listerr->setGeometry(px(kListLeft), px(label3TopTw + 300), listW, px(kListHeight));
}

void frmMain::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  fixOuterSize();
  applyLayout();
}

void frmMain::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  fixOuterSize();
}

// The stored size is the outer size, frame included. The frame's size is
// known only once the desktop has decorated the window, so the size is set
// again, once, when it becomes known.
void frmMain::fixOuterSize() {
  if (outerFixed_ || !windowHandle()) return;
  const QMargins m = windowHandle()->frameMargins();
  if (m.isNull()) return;
  outerFixed_ = true;
  if (isMaximized() || isFullScreen()) return;
  resize(wantedOuterPixels_.width() - m.left() - m.right(),
         wantedOuterPixels_.height() - m.top() - m.bottom());
}

void frmMain::loadPlacement() {
  int left = placementValue(QStringLiteral("MainLeft"), kDefaultLeft);
  int top = placementValue(QStringLiteral("MainTop"), kDefaultTop);
  int width = placementValue(QStringLiteral("MainWidth"), kDefaultWidth);
  int height = placementValue(QStringLiteral("MainHeight"), kDefaultHeight);
  // A size is used as stored, however small; only one that makes no window
  // at all falls back.
  if (width <= 0 || height <= 0) {
    width = kDefaultWidth;
    height = kDefaultHeight;
  }
  // A window stored where no screen is any more comes back where it started.
  QRect wanted(px(left), px(top), px(width), px(height));
  bool onScreen = QGuiApplication::screens().isEmpty();
  for (QScreen* s : QGuiApplication::screens())
    if (s->geometry().intersects(wanted)) onScreen = true;
  if (!onScreen) {
    left = kDefaultLeft;
    top = kDefaultTop;
    wanted.moveTo(px(left), px(top));
  }
  loadedTwips_ = QRect(left, top, width, height);
  loadedPixels_ = wanted;
  wantedOuterPixels_ = wanted.size();
  move(wanted.topLeft());
  resize(wanted.size());
  applyLayout();
}

void frmMain::savePlacement() {
  if (isMinimized()) return;
  const QRect f = frameGeometry();
  // An unmoved, unresized window stores the values it was given.
  auto value = [](int pixels, int loadedPixels, int loadedTwips) {
    return pixels == loadedPixels ? loadedTwips : twips(pixels);
  };
  SaveSetting(kSettings, QStringLiteral("MainLeft"),
              QString::number(value(f.x(), loadedPixels_.x(), loadedTwips_.x())));
  SaveSetting(kSettings, QStringLiteral("MainTop"),
              QString::number(value(f.y(), loadedPixels_.y(), loadedTwips_.y())));
  SaveSetting(kSettings, QStringLiteral("MainWidth"),
              QString::number(value(f.width(), loadedPixels_.width(), loadedTwips_.width())));
  SaveSetting(kSettings, QStringLiteral("MainHeight"),
              QString::number(value(f.height(), loadedPixels_.height(), loadedTwips_.height())));
}

void frmMain::closeEvent(QCloseEvent* e) {
  // The analyser's run is waited for to its end; the window stays meanwhile.
  if (running_) {
    e->ignore();
    return;
  }
  // The other forms go first, the most recently opened first.
  for (auto it = opened_.rbegin(); it != opened_.rend(); ++it)
    if (*it && (*it)->isVisible()) (*it)->close();
  opened_.clear();
  savePlacement();
  e->accept();
}

}  // namespace zelta::fe
