// The main window: input list, result view, message list, menus, toolbar,
// docks, the analysis run and the placement memory; the result's navigator
// drives the find bar, the links and the panels.
#pragma once
#include <QDateTime>
#include <QListWidget>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <functional>
#include <vector>

#include "analysis_runner.h"
#include "drop_list.h"
#include "result_navigator.h"
#include "result_view.h"
#include "work_folder.h"

class QLabel;
class QMenu;
class QAction;
class QToolBar;
class QPrinter;
class QDialog;
class QDockWidget;
class QActionGroup;
class QProgressBar;
class QTimer;

namespace zelta::fe {

class frmoption;
class frmini;
class frmconsole;
class FindBar;
class DefinitionPanel;
class GraphPanel;
class GraphWindow;
class SplitHandle;

// The message list's own lines.
namespace msg {
inline const QString kIniMissing = QStringLiteral("zelta.iniファイルが見つかりません");
inline const QString kIniCreate = QStringLiteral("zelta.iniファイルを作成します");
inline const QString kRunning = QStringLiteral("解析中・・・");
inline const QString kFailed = QStringLiteral("異常終了しました");
inline const QString kShowing = QStringLiteral("解析結果を表示してます");
inline const QString kDone = QStringLiteral("正常に終了しました");
inline const QString kNotSource = QStringLiteral("は解析対象のファイルではありません");
inline const QString kRemoved = QStringLiteral("を削除しました");
inline const QString kStopped = QStringLiteral("解析を中止しました");
}  // namespace msg

class frmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;

  // The run's state: where the analyser runs (and which one), its argument
  // line, the entries dropped, the file last saved to.
  WorkFolder work;
  QString argline;
  short dropcount = 0;
  QString savefile;

  // Seams for the modal parts, so that tests can answer them. Each has a
  // working default.
  std::function<void(QWidget* parent, const QString& title, const QString& text)> messageBox;
  // Returns the chosen full path, or an empty text when cancelled.
  std::function<QString(QWidget* parent, const QString& title, const QString& filter)> saveFileDialog;
  // Returns the chosen file to open, or an empty text when cancelled.
  std::function<QString(QWidget* parent, const QString& title, const QString& filter)> openFileDialog;
  // Returns false when cancelled; may change the printer's settings.
  std::function<bool(QWidget* parent, QPrinter* printer, bool hasSelection)> printDialog;
  std::function<int(QDialog* dialog)> runModal;
  // A question answered yes (true) or no.
  std::function<bool(QWidget* parent, const QString& title, const QString& text)> askYesNo;

  // From F3 until the run's outcome is shown (the analyser, then the
  // reading of its result).
  bool isRunning() const { return running_; }
  AnalysisRunner* runner() const { return runner_; }
  QStringList inputNames() const;  // entries of TreeView1
  QStringList inputPaths() const;  // entries of TreeView2
  QString lastPrintedText() const { return lastPrinted_; }
  ResultNavigator* navigator() const { return navigator_; }
  // The other forms: the options live as long as the window, the others
  // once first opened (null before).
  frmoption* options() const { return options_; }
  frmini* iniDialog() const { return iniDialog_; }
  frmconsole* console() const { return console_; }

  // The window's outer placement in twips.
  QRect outerTwips() const;

  // Shows a result file (tree.txt) and reads the tree.json beside it when
  // that is not older than `factsNotBefore`. The text is read off the
  // window's thread while the window keeps painting; the facts arrive
  // later. False when the file cannot be read.
  bool showResultFile(const QString& path, const QDateTime& factsNotBefore = QDateTime());
  bool isReadingFacts() const { return readingFacts_; }
  // ファイル > 開く's work on a chosen file: shown as a result (no run), and
  // remembered among the recent ones. False when it cannot be read.
  bool openResultFile(const QString& path);

 public slots:
  void RunAnalysis();
  // Ends the analyser of a run under way; what it left half written goes.
  void StopAnalysis();
  void ClearAll();
  void ShowIniDialog();
  void ShowOptions();
  void ShowAbout();
  void Save();
  void SaveAs();
  void Print();
  void Drop(const QStringList& paths);
  void Remove();
  void ButtonClick(const QString& key);
  void AppendMessage(const QString& line);
  void ExportGraph();
  void OpenResult();
  void OpenInEditor();

 protected:
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void buildControls();
  void buildMenus();
  void buildToolbar();
  void createActions();
  void createDockWindows();
  void updateActions();
  void applyLayout();
  void loadPlacement();
  void savePlacement();
  void fixOuterSize();
  void showPrompt();
  void createNavigator();
  void readFacts(const QString& path, const QDateTime& notBefore);
  void folderWalk(const QString& folder);
  void appendEntry(const QString& name, const QString& path);
  void ShowRunOutcome(bool started, bool normalExit, int exitCode, const QDateTime& runStart,
                      const QString& startError = QString());
  void runFinished(AnalysisRunner::Outcome outcome);
  void runStopped();
  void showRunProgress();
  void flushEntries();
  bool writeResult(const QString& path);
  void saveAsSteps();
  void useDefaultSaveDialog();
  void noteOpened(QWidget* w);
  // The graph in a window of its own (frm_main_graph.cpp).
  void createGraphWindow();
  GraphWindow* openGraphWindow();
  // The graph window's placement, depth, filters and path length, kept
  // from one session to the next.
  void restoreGraphWindow();
  void saveGraphWindow();
  void startTreeAt(const QString& name);
  void createOpenActions();
  void updateRecentMenu();
  void createEditorActions();

  // Controls, named as the rest of the system knows them; tests reach them
  // by their object names.
  QWidget* client = nullptr;  // the area below the menu bar
  QToolBar* tbToolBar = nullptr;
  QAction* tbAnalyse = nullptr;  // key "解析"
  QAction* tbClear = nullptr;    // key "クリア"
  QAction* tbStop = nullptr;     // key "中止": ends a run under way
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  DropList* TreeView1 = nullptr;
  QTreeWidget* TreeView2 = nullptr;  // full paths, never shown
  ResultView* RichTextBox1 = nullptr;
  QListWidget* listerr = nullptr;
  FindBar* findBar = nullptr;           // under the result, shown by Ctrl+F
  SplitHandle* listSplit = nullptr;     // between the input list and the result
  SplitHandle* messageSplit = nullptr;  // between the result and the messages
  QDockWidget* definitionDock = nullptr;
  DefinitionPanel* definitionPanel = nullptr;
  QDockWidget* graphDock = nullptr;
  GraphPanel* graphPanel = nullptr;
  QLabel* whereLabel = nullptr;  // the status bar: the path to the current line
  // The status bar during a run: files done, the drawing, the time taken.
  QProgressBar* runProgress = nullptr;
  QLabel* runProgressText = nullptr;

  QMenu* mnuFile = nullptr;
  QAction* mnuFileSave = nullptr;
  QAction* mnuFileSaveAs = nullptr;
  QAction* mnuFilePrint = nullptr;
  QAction* mnuFileExit = nullptr;
  QMenu* mnuView = nullptr;
  QMenu* mnuAnalysis = nullptr;  // the run and its stop, reachable while it runs
  QAction* actRun = nullptr;
  QAction* actStop = nullptr;  // Esc
  QMenu* mnuTools = nullptr;
  QAction* mnuiniwrite = nullptr;
  QAction* mnuToolsOptions = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuHelpAbout = nullptr;
  QMenu* mnuRightClick = nullptr;  // pop-up only
  QAction* mnuRemove = nullptr;

  // The other forms.
  frmoption* options_ = nullptr;
  frmini* iniDialog_ = nullptr;
  frmconsole* console_ = nullptr;  // the analyser's output under the debug option
  ResultNavigator* navigator_ = nullptr;

  // Actions of the result's navigation.
  QAction* actFind_ = nullptr;
  QAction* actExpandAll_ = nullptr;
  QAction* actCollapseAll_ = nullptr;
  QMenu* mnuDepth_ = nullptr;
  QAction* actBack_ = nullptr;
  QAction* actForward_ = nullptr;
  QAction* actPanel_ = nullptr;
  QAction* actDefinition_ = nullptr;
  QAction* actGraph_ = nullptr;
  QAction* actExportGraph_ = nullptr;

  // The graph's own window, made when first opened, and its actions.
  GraphWindow* graphWindow_ = nullptr;
  QAction* actGraphWindow_ = nullptr;
  QAction* actPathFrom_ = nullptr;
  QAction* actPathTo_ = nullptr;
  // Reopening results, and the editor.
  QAction* mnuFileOpen_ = nullptr;
  QMenu* mnuRecent_ = nullptr;
  QAction* actOpenEditor_ = nullptr;
  QAction* mnuToolsEditor_ = nullptr;

  std::shared_ptr<std::atomic<bool>> factsCancel_;
  int factsGeneration_ = 0;
  bool readingFacts_ = false;
  // Borders the user dragged (twips), and where a drag started.
  int listWidth_ = 0, messageHeight_ = 0, dragBase_ = 0;

  bool running_ = false;
  AnalysisRunner* runner_ = nullptr;
  QTimer* runTicker_ = nullptr;  // the elapsed time while a run goes on
  QDateTime runStart_;
  // The files a run writes as they stood before it: (size, modification
  // time in ms), or none; a stopped run's changed ones are removed.
  std::vector<std::pair<QString, std::pair<qint64, qint64>>> before_;
  bool closeAfterRun_ = false;
  // Entries of a drop, added to the lists at its end in one go.
  QList<QTreeWidgetItem*> newNames_, newPaths_;
  QString dialogFileName_;  // the name the save dialog last returned
  QString lastPrinted_;
  std::vector<QPointer<QWidget>> opened_;  // other forms, in the order opened

  // Placement as read at start-up, so that an unmoved window stores exactly
  // what it read.
  QRect loadedTwips_;
  QRect loadedPixels_;
  QSize wantedOuterPixels_;
  bool outerFixed_ = false;
};

}  // namespace zelta::fe
