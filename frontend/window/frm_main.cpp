#include "frm_main.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDockWidget>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "definition_panel.h"
#include "find_bar.h"
#include "frm_about.h"
#include "frm_console.h"
#include "frm_ini.h"
#include "frm_option.h"
#include "graph_panel.h"
#include "graph_window.h"
#include "icons.h"
#include "result_font.h"
#include "settings_store.h"
#include "split_handle.h"
#include "twips.h"

namespace zelta::fe {
namespace {

// Rectangles (twips) of the controls the layout moves, as first placed.
constexpr int kTree1Left = 0, kTree1Top = 1200, kTree1Width = 2175, kTree1Height = 6375;
constexpr int kRichLeft = 2280, kRichTop = 1200, kRichWidth = 7215, kRichHeight = 4575;
constexpr int kLabel3Left = 2280, kLabel3Top = 5880, kLabel3Width = 1935, kLabel3Height = 255;
constexpr int kListLeft = 2280, kListTop = 6240, kListWidth = 7215, kListHeight = 1320;
constexpr int kLabel1Left = 0, kLabel1Top = 960, kLabel1Width = 2175, kLabel1Height = 255;
constexpr int kLabel2Left = 2280, kLabel2Top = 960, kLabel2Width = 2535, kLabel2Height = 255;
constexpr int kToolbarHeight = 900;
constexpr int kToolIconSize = 48;  // pixels
constexpr int kRunProgressWidth = 2400;  // the status bar's progress bar at its widest
// What the layout rules leave beside the controls as the window changes:
// right of the result and the messages, below the input list (frame and
// menu bar included), and below the result for the messages' label and list.
constexpr int kRightMargin = 200;
constexpr int kBelowList = 900;
constexpr int kBelowResult = 2700;
// Under the result: the gap to the messages' label, and the label's row.
constexpr int kLabel3Gap = 100, kLabel3Row = 300;
constexpr int kSmallestResult = 300;  // the result's height when the status bar takes room
// The gap between the input list and the right-hand column.
constexpr int kColumnGap = kRichLeft - kTree1Width;
// The smallest a dragged border leaves the controls beside it.
constexpr int kSmallest = 600;

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
  askYesNo = [](QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
  };

  runner_ = new AnalysisRunner(this);
  connect(runner_, &AnalysisRunner::progress, this, &frmMain::showRunProgress);
  connect(runner_, &AnalysisRunner::finished, this, &frmMain::runFinished);
  connect(runner_, &AnalysisRunner::output, this, [this](const QByteArray& bytes) {
    if (console_) console_->feed(bytes);
  });
  runTicker_ = new QTimer(this);
  runTicker_->setInterval(1000);
  connect(runTicker_, &QTimer::timeout, this, &frmMain::showRunProgress);

  buildControls();
  createActions();
  buildMenus();
  buildToolbar();
  createDockWindows();
  createNavigator();
  createGraphWindow();
  createOpenActions();
  createEditorActions();

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
  options_ = new frmoption(this);
  options_->loadStored();
  showPrompt();
}

frmMain::~frmMain() {
  if (factsCancel_) factsCancel_->store(true);
  // The graph window hides as it goes with this one, too late to be saved.
  if (graphWindow_) graphWindow_->disconnect(this);
}

void frmMain::buildControls() {
  client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  setCentralWidget(client);

  Label1 = new QLabel(QStringLiteral("< 解析対象のファイル >"), client);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(pxRect(kLabel1Left, kLabel1Top, kLabel1Width, kLabel1Height));

  TreeView1 = new DropList(client);
  TreeView1->setObjectName(QStringLiteral("TreeView1"));
  TreeView1->setGeometry(pxRect(kTree1Left, kTree1Top, kTree1Width, kTree1Height));
  connect(TreeView1, &DropList::pathsDropped, this, &frmMain::Drop);
  connect(TreeView1, &DropList::rightButtonReleased, this, [this](const QPoint& at) {
    if (running_) return;
    mnuRightClick->popup(at);
  });
  // The chosen entry's full path in the status bar; Delete removes it as the
  // pop-up does.
  connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item && !item->toolTip(0).isEmpty()) statusBar()->showMessage(item->toolTip(0));
  });
  connect(TreeView1, &DropList::deletePressed, this, &frmMain::Remove);

  Label2 = new QLabel(QStringLiteral("< 解析結果 >"), client);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(pxRect(kLabel2Left, kLabel2Top, kLabel2Width, kLabel2Height));

  RichTextBox1 = new ResultView(client);
  RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
  RichTextBox1->setGeometry(pxRect(kRichLeft, kRichTop, kRichWidth, kRichHeight));
  RichTextBox1->setFont(resultFont());

  findBar = new FindBar(client);
  findBar->setObjectName(QStringLiteral("findBar"));
  findBar->hide();

  // The borders between list, result and messages can be dragged; the
  // layout rules stay, with the dragged sizes in place of the first ones.
  listWidth_ = kTree1Width;
  messageHeight_ = kListHeight;
  listSplit = new SplitHandle(Qt::Horizontal, client);
  listSplit->setObjectName(QStringLiteral("listSplit"));
  connect(listSplit, &SplitHandle::pressed, this, [this] { dragBase_ = twips(TreeView1->width()); });
  connect(listSplit, &SplitHandle::dragged, this, [this](int d, bool) {
    listWidth_ = dragBase_ + twips(d);
    applyLayout();
  });
  messageSplit = new SplitHandle(Qt::Vertical, client);
  messageSplit->setObjectName(QStringLiteral("messageSplit"));
  connect(messageSplit, &SplitHandle::pressed, this, [this] { dragBase_ = twips(listerr->height()); });
  connect(messageSplit, &SplitHandle::dragged, this, [this](int d, bool) {
    messageHeight_ = dragBase_ - twips(d);
    applyLayout();
  });

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

  whereLabel = new QLabel(this);
  whereLabel->setObjectName(QStringLiteral("whereLabel"));
  whereLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  statusBar()->setObjectName(QStringLiteral("statusBar"));
  statusBar()->addWidget(whereLabel, 1);
  // An input entry's path gives way to the result's once the user is back there.
  connect(RichTextBox1, &ResultView::currentLineChanged, statusBar(), &QStatusBar::clearMessage);
  runProgressText = new QLabel(this);
  runProgressText->setObjectName(QStringLiteral("runProgressText"));
  runProgress = new QProgressBar(this);
  runProgress->setObjectName(QStringLiteral("runProgress"));
  runProgress->setTextVisible(false);
  runProgress->setMaximumWidth(px(kRunProgressWidth));
  statusBar()->addPermanentWidget(runProgressText);
  statusBar()->addPermanentWidget(runProgress);
  runProgressText->hide();
  runProgress->hide();
  statusBar()->setSizeGripEnabled(false);
  // Docks and the find bar change the client's size without the window's.
  client->installEventFilter(this);
}

void frmMain::createActions() {
  actFind_ = new QAction(QStringLiteral("検索(&F)..."), this);
  actFind_->setObjectName(QStringLiteral("actFind"));
  actFind_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  connect(actFind_, &QAction::triggered, this, [this] { navigator_->Find(); });

  actExpandAll_ = new QAction(QStringLiteral("すべて展開(&E)"), this);
  actExpandAll_->setObjectName(QStringLiteral("actExpandAll"));
  connect(actExpandAll_, &QAction::triggered, this, [this] { navigator_->ExpandAll(); });
  actCollapseAll_ = new QAction(QStringLiteral("すべて折りたたむ(&C)"), this);
  actCollapseAll_->setObjectName(QStringLiteral("actCollapseAll"));
  connect(actCollapseAll_, &QAction::triggered, this, [this] { navigator_->ShowToDepth(0); });

  // The level chooser: depth N stays in view, everything below is folded.
  mnuDepth_ = new QMenu(QStringLiteral("表示するレベル(&L)"), this);
  mnuDepth_->setObjectName(QStringLiteral("mnuDepth"));
  for (int depth = 1; depth <= 9; ++depth) {
    QAction* a =
        mnuDepth_->addAction(QStringLiteral("レベル&%1まで").arg(depth), this,
                            [this, depth] { navigator_->ShowToDepth(depth); });
    a->setObjectName(QStringLiteral("actDepth%1").arg(depth));
  }

  actBack_ = new QAction(QStringLiteral("戻る(&B)"), this);
  actBack_->setObjectName(QStringLiteral("actBack"));
  actBack_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  connect(actBack_, &QAction::triggered, this, [this] { navigator_->Back(); });
  actForward_ = new QAction(QStringLiteral("進む(&N)"), this);
  actForward_->setObjectName(QStringLiteral("actForward"));
  actForward_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  connect(actForward_, &QAction::triggered, this, [this] { navigator_->Forward(); });

  // The keyboard's way into the panel: the current line's function, with the
  // focus on its callers (Esc comes back).
  actDefinition_ = new QAction(QStringLiteral("定義と呼び出し元へ移動(&G)"), this);
  actDefinition_->setObjectName(QStringLiteral("actDefinition"));
  actDefinition_->setShortcut(QKeySequence(Qt::Key_F12));
  connect(actDefinition_, &QAction::triggered, this, [this] {
    if (RichTextBox1->isEmpty()) return;
    navigator_->OpenDefinition(RichTextBox1->currentLine());
    QListWidget* list = definitionPanel->callers->count() ? definitionPanel->callers : definitionPanel->calls;
    list->setFocus();
    if (!list->currentItem() && list->count()) list->setCurrentRow(0);
  });

  actExportGraph_ = new QAction(QStringLiteral("グラフをエクスポート(&G)..."), this);
  actExportGraph_->setObjectName(QStringLiteral("actExportGraph"));
  connect(actExportGraph_, &QAction::triggered, this, &frmMain::ExportGraph);

  for (QAction* a : {actFind_, actBack_, actForward_, actDefinition_}) a->setShortcutContext(Qt::WindowShortcut);
}

void frmMain::createDockWindows() {
  // Hidden at first, so that the window opens at its usual layout.
  const auto dock = [this](const QString& title, const char* name, QWidget* panel) {
    auto* d = new QDockWidget(title, this);
    d->setObjectName(QLatin1String(name));
    d->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    d->setWidget(panel);
    addDockWidget(Qt::RightDockWidgetArea, d);
    d->hide();
    return d;
  };

  definitionPanel = new DefinitionPanel;
  definitionDock = dock(QStringLiteral("定義と呼び出し元"), "definitionDock", definitionPanel);

  // The graph around the current line's function, beside the result too.
  graphPanel = new GraphPanel;
  graphDock = dock(QStringLiteral("グラフ"), "graphDock", graphPanel);
  connect(graphPanel, &GraphPanel::pictureChanged, this, &frmMain::updateActions);

  actPanel_ = definitionDock->toggleViewAction();
  actPanel_->setObjectName(QStringLiteral("actPanel"));
  actGraph_ = graphDock->toggleViewAction();
  actGraph_->setObjectName(QStringLiteral("actGraph"));
  mnuView->addSeparator();
  mnuView->addAction(actPanel_);
  mnuView->addAction(actDefinition_);
  mnuView->addAction(actGraph_);
}

void frmMain::createNavigator() {
  ResultNavigator::Parts parts;
  parts.view = RichTextBox1;
  parts.findBar = findBar;
  parts.definitionPanel = definitionPanel;
  parts.definitionDock = definitionDock;
  parts.graphPanel = graphPanel;
  parts.graphDock = graphDock;
  parts.statusBar = statusBar();
  parts.whereLabel = whereLabel;
  navigator_ = new ResultNavigator(parts, [this] { return running_; }, this);
  navigator_->setObjectName(QStringLiteral("navigator"));
  connect(navigator_, &ResultNavigator::stateChanged, this, &frmMain::updateActions);
  connect(navigator_, &ResultNavigator::findBarToggled, this, &frmMain::applyLayout);
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
  mnuFile->addAction(actExportGraph_);
  mnuFile->addSeparator();
  mnuFileExit = mnuFile->addAction(QStringLiteral("終了(&X)"), this, &QWidget::close);
  mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));

  mnuView = bar->addMenu(QStringLiteral("表示(&V)"));
  mnuView->setObjectName(QStringLiteral("mnuView"));
  mnuView->addAction(actFind_);
  mnuView->addSeparator();
  mnuView->addAction(actExpandAll_);
  mnuView->addAction(actCollapseAll_);
  mnuView->addMenu(mnuDepth_);
  mnuView->addSeparator();
  mnuView->addAction(actBack_);
  mnuView->addAction(actForward_);

  // Open while the analyser runs (the menus beside it are not): its stop.
  mnuAnalysis = bar->addMenu(QStringLiteral("解析(&A)"));
  mnuAnalysis->setObjectName(QStringLiteral("mnuAnalysis"));
  actRun = mnuAnalysis->addAction(QStringLiteral("解析(&R)\tF3"), this, &frmMain::RunAnalysis);
  actRun->setObjectName(QStringLiteral("actRun"));
  actStop = mnuAnalysis->addAction(QStringLiteral("中止(&S)"), this, &frmMain::StopAnalysis);
  actStop->setObjectName(QStringLiteral("actStop"));
  actStop->setShortcut(QKeySequence(Qt::Key_Escape));
  actStop->setShortcutContext(Qt::WindowShortcut);
  actStop->setEnabled(false);

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
  tbToolBar->setIconSize(QSize(kToolIconSize, kToolIconSize));
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
  tbStop = tbToolBar->addAction(QIcon(stopPixmap()), QString());
  tbStop->setObjectName(QStringLiteral("tbStop"));
  tbStop->setData(QStringLiteral("中止"));
  tbStop->setEnabled(false);
  connect(tbToolBar, &QToolBar::actionTriggered, this,
          [this](QAction* a) { ButtonClick(a->data().toString()); });
}

void frmMain::ButtonClick(const QString& key) {
  if (key == QStringLiteral("解析"))
    RunAnalysis();
  else if (key == QStringLiteral("クリア"))
    ClearAll();
  else if (key == QStringLiteral("中止"))
    StopAnalysis();
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

// Every action's enabled state follows from two facts: whether the analyser
// is running (everything off), and what the result view holds.
void frmMain::updateActions() {
  const bool on = !running_;
  for (QMenu* m : {mnuFile, mnuView, mnuTools, mnuHelp}) {
    m->menuAction()->setEnabled(on);
    m->setEnabled(on);
    // A disabled menu's shortcuts must not fire either.
    for (QAction* a : m->actions()) a->setEnabled(on);
  }
  const auto& index = RichTextBox1->result();
  const bool tree = on && index && index->isTree() && !index->isEmpty();
  actFind_->setEnabled(on && !RichTextBox1->isEmpty());
  actExpandAll_->setEnabled(tree);
  actCollapseAll_->setEnabled(tree);
  mnuDepth_->menuAction()->setEnabled(tree);
  for (QAction* a : mnuDepth_->actions()) a->setEnabled(tree);
  actDefinition_->setEnabled(tree);
  if (actOpenEditor_) actOpenEditor_->setEnabled(tree);
  if (mnuRecent_) mnuRecent_->menuAction()->setEnabled(on && !mnuRecent_->isEmpty());
  actExportGraph_->setEnabled(on && graphPanel && graphPanel->hasPicture());
  actBack_->setEnabled(on && navigator_ && navigator_->canBack());
  actForward_->setEnabled(on && navigator_ && navigator_->canForward());
  actRun->setEnabled(on);
  const bool stoppable = runner_ && runner_->isRunning();
  actStop->setEnabled(stoppable);
  tbStop->setEnabled(stoppable);
}

void frmMain::ClearAll() {
  if (running_) return;
  TreeView1->clear();
  TreeView2->clear();
  dropcount = 0;
  RichTextBox1->clear();
  argline.clear();
  listerr->clear();
  navigator_->clear();
  findBar->hide();
  applyLayout();
  readFacts(QString(), QDateTime());
  updateActions();
  showPrompt();
}

void frmMain::noteOpened(QWidget* w) {
  std::erase_if(opened_, [w](const QPointer<QWidget>& p) { return p.isNull() || p == w; });
  opened_.push_back(w);
}

void frmMain::ShowIniDialog() {
  if (!iniDialog_) iniDialog_ = new frmini(this);
  noteOpened(iniDialog_);
  iniDialog_->Open();
}

void frmMain::ShowOptions() {
  noteOpened(options_);
  options_->Open();
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
  // A panel docked beside the client takes its room from the client, not
  // from the window.
  // (The client is resized before the dock's own show event.)
  bool beside = false, below = false;
  for (QDockWidget* d : {definitionDock, graphDock}) {
    if (!isVisible() || !d || d->isHidden() || d->isFloating()) continue;
    (dockWidgetArea(d) == Qt::BottomDockWidgetArea ? below : beside) = true;
  }
  // Likewise a panel docked below takes the client's lower part.
  const int clientRoom = height() - menuBar()->height() - (statusBar()->isVisible() ? statusBar()->height() : 0);
  const int W = outer.width() - (beside ? twips(width() - client->width()) : 0);
  const int H = outer.height() - (below ? twips(std::max(clientRoom - client->height(), 0)) : 0);
  tbToolBar->setGeometry(0, 0, client->width(), px(kToolbarHeight));

  // Dragged borders, kept within reach of both sides.
  const int listW = std::clamp(listWidth_, kSmallest, std::max(W - kColumnGap - kRightMargin - kSmallest, kSmallest));
  const int messageH = std::clamp(messageHeight_, kSmallest / 2,
                                  std::max(H - kRichTop - kBelowResult + kListHeight - kSmallest, kSmallest / 2));
  const int right = listW + kColumnGap;  // the right-hand column's left edge
  const int moreMessages = messageH - kListHeight;

  int treeHeight = TreeView1->height();
  if (H - kTree1Top > kBelowList) treeHeight = px(H - kTree1Top - kBelowList);

  int richW = RichTextBox1->width();
  int richHTw = twips(RichTextBox1->height() + (findBar->isVisible() ? findBar->height() : 0));
  if (W - right > kRightMargin) richW = px(W - right - kRightMargin);
  if (H > kRichTop + kBelowResult) richHTw = H - kRichTop - kBelowResult - moreMessages;

  // The layout rules leave the controls' bottom about where the client
  // ends; what the status bar takes (on a desktop whose frame is tall) comes
  // off the result and the list rather than hiding their lower edges.
  // A window too low for the rules is left to them.
  int lift = 0;
  if (isVisible() && statusBar()->isVisible()) {
    const int bottom = std::max(kTree1Top + twips(treeHeight), kRichTop + richHTw + kLabel3Gap + kLabel3Row + messageH);
    const int over = bottom - twips(client->height());
    if (over > 0 && over <= twips(statusBar()->height())) lift = over;
  }
  treeHeight = std::max(treeHeight - px(lift), 1);
  richHTw = std::max(richHTw - lift, kSmallestResult);

  TreeView1->setGeometry(px(kTree1Left), px(kTree1Top), px(listW), treeHeight);
  Label2->move(px(right), Label2->y());
  int richH = px(richHTw);
  if (findBar->isVisible()) {
    const int barH = findBar->sizeHint().height();
    richH = std::max(richH - barH, 1);
    findBar->setGeometry(px(right), px(kRichTop) + richH, richW, barH);
  }
  RichTextBox1->setGeometry(px(right), px(kRichTop), richW, richH);

  int listerrW = listerr->width();
  if (W - right > kRightMargin) listerrW = px(W - right - kRightMargin);
  const int label3TopTw = kRichTop + richHTw + kLabel3Gap;
  Label3->setGeometry(px(right), px(label3TopTw), px(kLabel3Width), px(kLabel3Height));
  listerr->setGeometry(px(right), px(label3TopTw + kLabel3Row), listerrW, px(messageH));

  // The handles fill the gaps between the controls.
  listSplit->setGeometry(px(listW), px(kTree1Top), px(right) - px(listW), treeHeight);
  messageSplit->setGeometry(px(right), px(kRichTop + richHTw), richW, px(label3TopTw) - px(kRichTop + richHTw));
}

void frmMain::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  fixOuterSize();
  applyLayout();
  // The path fits anew.
  if (navigator_ && !RichTextBox1->isEmpty()) navigator_->currentLineChanged(RichTextBox1->currentLine());
}

bool frmMain::eventFilter(QObject* watched, QEvent* e) {
  if (watched == client && e->type() == QEvent::Resize) applyLayout();
  return QMainWindow::eventFilter(watched, e);
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
  // The dragged borders and the panel, stored beside the placement.
  listWidth_ = placementValue(QStringLiteral("ListWidth"), kTree1Width);
  messageHeight_ = placementValue(QStringLiteral("MessageHeight"), kListHeight);
  restoreState(QByteArray::fromBase64(GetSetting(kSettings, QStringLiteral("DockState"), QString()).toLatin1()));
  definitionPanel->splitter->restoreState(
      QByteArray::fromBase64(GetSetting(kSettings, QStringLiteral("PanelSplitter"), QString()).toLatin1()));
  graphPanel->setDepth(placementValue(QStringLiteral("GraphDepth"), graphPanel->depth()));
  loadedTwips_ = QRect(left, top, width, height);
  loadedPixels_ = wanted;
  wantedOuterPixels_ = wanted.size();
  move(wanted.topLeft());
  resize(wanted.size());
  applyLayout();
}

void frmMain::savePlacement() {
  SaveSetting(kSettings, QStringLiteral("ListWidth"), QString::number(listWidth_));
  SaveSetting(kSettings, QStringLiteral("MessageHeight"), QString::number(messageHeight_));
  SaveSetting(kSettings, QStringLiteral("DockState"), QString::fromLatin1(saveState().toBase64()));
  SaveSetting(kSettings, QStringLiteral("PanelSplitter"),
              QString::fromLatin1(definitionPanel->splitter->saveState().toBase64()));
  SaveSetting(kSettings, QStringLiteral("GraphDepth"), QString::number(graphPanel->depth()));
  if (graphWindow_ && graphWindow_->isVisible()) saveGraphWindow();
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
  // A run under way is stopped first, when the user agrees; while its
  // result is being read, the window closes right after.
  if (running_) {
    if (!runner_->isRunning()) {
      closeAfterRun_ = true;
      e->ignore();
      return;
    }
    if (!askYesNo(this, QStringLiteral("zelta"), QStringLiteral("解析中です。解析を中止して終了しますか？"))) {
      e->ignore();
      return;
    }
    runner_->stop();
  }
  // The other forms go first, the most recently opened first.
  for (auto it = opened_.rbegin(); it != opened_.rend(); ++it)
    if (*it && (*it)->isVisible()) (*it)->close();
  opened_.clear();
  savePlacement();
  // A tree.json still being read is not waited for at the program's end.
  if (factsCancel_) factsCancel_->store(true);
  e->accept();
}

}  // namespace zelta::fe
