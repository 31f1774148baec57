#include "definition_panel.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

#include "cp932.h"
#include "result_font.h"

namespace zelta::fe {
namespace {

// A source larger than this is not shown: no C file is, and reading a
// multi-gigabyte file into a text view would stall the window.
constexpr qint64 kLargestSource = 16 << 20;

enum Role { kFunctionRole = Qt::UserRole, kLineRole };

}  // namespace

DefinitionPanel::DefinitionPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("definitionPanel"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 4, 4, 4);

  nameLabel = new QLabel(this);
  nameLabel->setObjectName(QStringLiteral("definitionName"));
  QFont bold = nameLabel->font();
  bold.setBold(true);
  nameLabel->setFont(bold);
  nameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  placeLabel = new QLabel(this);
  placeLabel->setObjectName(QStringLiteral("definitionPlace"));
  placeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  placeLabel->setWordWrap(true);

  source = new QPlainTextEdit(this);
  source->setObjectName(QStringLiteral("definitionSource"));
  source->setReadOnly(true);
  source->setLineWrapMode(QPlainTextEdit::NoWrap);
  source->setFont(resultFont());

  auto* lists = new QWidget(this);
  auto* listColumn = new QVBoxLayout(lists);
  listColumn->setContentsMargins(0, 0, 0, 0);
  calls = new QListWidget(lists);
  calls->setObjectName(QStringLiteral("definitionCalls"));
  callers = new QListWidget(lists);
  callers->setObjectName(QStringLiteral("definitionCallers"));
  listColumn->addWidget(new QLabel(QStringLiteral("呼び出している関数"), lists));
  listColumn->addWidget(calls, 1);
  listColumn->addWidget(new QLabel(QStringLiteral("呼び出し元"), lists));
  listColumn->addWidget(callers, 1);

  splitter = new QSplitter(Qt::Vertical, this);
  splitter->setObjectName(QStringLiteral("definitionSplitter"));
  splitter->addWidget(source);
  splitter->addWidget(lists);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);

  column->addWidget(nameLabel);
  column->addWidget(placeLabel);
  column->addWidget(splitter, 1);

  // A click on a call shows where it stands; Enter or a double click follows
  // the entry.
  connect(calls, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item && item->data(kLineRole).toInt() > 0) markSourceLine(item->data(kLineRole).toInt());
  });
  connect(calls, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const int f = item->data(kFunctionRole).toInt();
    if (f >= 0) emit calleeActivated(f);
  });
  connect(callers, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const int f = item->data(kFunctionRole).toInt();
    if (f >= 0) emit callerActivated(f);
  });
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  esc->setContext(Qt::WidgetWithChildrenShortcut);
  connect(esc, &QShortcut::activated, this, &DefinitionPanel::leaveRequested);
  setFacts(nullptr, QString(), QString());
}

// Room for a source line and a path beside the result, but no more than a
// third of the window, whose layout was made without the panel.
QSize DefinitionPanel::sizeHint() const {
  const int wide = fontMetrics().horizontalAdvance(QLatin1Char('0')) * 60;
  return QSize(std::clamp(window()->width() / 3, 200, std::max(wide, 200)), 500);
}

void DefinitionPanel::setFacts(std::shared_ptr<const TreeFacts> facts, const QString& folder, const QString& note) {
  facts_ = std::move(facts);
  folder_ = folder;
  note_ = note;
  sourceFile_ = -1;
  source->clear();
  showNone();
}

void DefinitionPanel::showNone() {
  function_ = -1;
  nameLabel->clear();
  placeLabel->setText(facts_ ? QString() : note_);
  calls->clear();
  callers->clear();
}

void DefinitionPanel::addEntry(QListWidget* list, const QString& name, const QString& where, int function, int line) {
  auto* item = new QListWidgetItem(where.isEmpty() ? name : name + QStringLiteral("  —  ") + where, list);
  item->setData(kFunctionRole, function);
  item->setData(kLineRole, line);
  if (function >= 0) {
    QFont f = list->font();
    f.setUnderline(true);
    item->setFont(f);
    item->setForeground(QColor(0, 70, 200));
  } else {
    item->setForeground(QColor(110, 110, 110));
  }
}

void DefinitionPanel::showFunction(int function) {
  if (!facts_ || function < 0 || function >= static_cast<int>(facts_->functions.size())) {
    showNone();
    return;
  }
  if (function == function_) return;
  function_ = function;
  const FunctionFact& fn = facts_->functions[static_cast<size_t>(function)];
  nameLabel->setText(fn.name);
  const QString file = facts_->fileName(fn.file);
  placeLabel->setText(file.isEmpty() ? QString() : QStringLiteral("%1:%2").arg(file).arg(fn.line));
  placeLabel->setToolTip(fn.file >= 0 ? facts_->files[static_cast<size_t>(fn.file)].path : QString());
  calls->clear();
  for (const CallFact& c : fn.calls) addEntry(calls, c.name, QStringLiteral("%1行").arg(c.line), c.function, c.line);
  callers->clear();
  for (int c : fn.callers) {
    const FunctionFact& caller = facts_->functions[static_cast<size_t>(c)];
    addEntry(callers, caller.name, QStringLiteral("%1:%2").arg(facts_->fileName(caller.file)).arg(caller.line), c, 0);
  }
  showSource(fn.file, fn.line);
}

void DefinitionPanel::showUndefined(const QString& name) {
  showNone();
  nameLabel->setText(name);
  placeLabel->setText(QStringLiteral("解析したソースには定義がありません"));
  const int u = facts_ ? facts_->undefinedNamed(name) : -1;
  if (u < 0) return;
  for (int c : facts_->undefined[static_cast<size_t>(u)].callers) {
    const FunctionFact& caller = facts_->functions[static_cast<size_t>(c)];
    addEntry(callers, caller.name, QStringLiteral("%1:%2").arg(facts_->fileName(caller.file)).arg(caller.line), c, 0);
  }
}

void DefinitionPanel::showSource(int file, int line) {
  if (file < 0) {  // a definition tree.json places in no file
    sourceFile_ = -1;
    source->clear();
    return;
  }
  if (file != sourceFile_) {
    sourceFile_ = file;
    const QString path = facts_->files[static_cast<size_t>(file)].localPath;
    QFile f(QDir(folder_).filePath(path));
    if (!f.open(QIODevice::ReadOnly)) {
      source->setPlainText(QStringLiteral("%1 を開けません").arg(path));
      return;
    }
    if (f.size() > kLargestSource) {
      source->setPlainText(QStringLiteral("%1 は大きすぎるため表示しません").arg(path));
      return;
    }
    source->setPlainText(decodeSource(f.readAll()));
  }
  markSourceLine(line);
}

void DefinitionPanel::markSourceLine(int line) {
  const QTextBlock block = source->document()->findBlockByNumber(line - 1);
  if (!block.isValid()) return;
  QTextEdit::ExtraSelection mark;
  mark.format.setBackground(QColor(255, 243, 191));
  mark.format.setProperty(QTextFormat::FullWidthSelection, true);
  mark.cursor = QTextCursor(block);
  source->setExtraSelections({mark});
  source->setTextCursor(QTextCursor(block));
  // The definition a few lines below the top, so its comment shows above it.
  source->verticalScrollBar()->setValue(std::max(line - 1 - 3, 0));
}

}  // namespace zelta::fe
