#include "definition_panel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
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

enum Role { kFunctionRole = Qt::UserRole, kLineRole, kFileRole };

const QColor kDefinitionMark(255, 243, 191);
const QColor kStaleMark(225, 225, 225);  // a line mark in a source edited since the run
const QColor kCallLink(0, 70, 200);

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

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
  changedLabel = new QLabel(QStringLiteral("このソースは解析の後に変更されています。印は解析した時の行にあり、正しくないかもしれません"),
                            this);
  changedLabel->setObjectName(QStringLiteral("definitionChanged"));
  changedLabel->setWordWrap(true);
  changedLabel->setStyleSheet(QStringLiteral("color: #a04000;"));
  changedLabel->hide();

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
  column->addWidget(changedLabel);
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
  // A caller opens at its call: the tree moves to the caller, then the
  // source shows the line of the call.
  connect(callers, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const int f = item->data(kFunctionRole).toInt();
    const int line = item->data(kLineRole).toInt();
    const int file = item->data(kFileRole).toInt();
    if (f < 0) return;
    emit callerActivated(f);
    if (function_ == f && line > 0 && file == sourceFile_) markSourceLine(line);
  });
  // A call site in the source is a link to its callee.
  source->viewport()->installEventFilter(this);
  source->viewport()->setMouseTracking(true);
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
  changed_ = false;
  changedLabel->hide();
  source->clear();
  showNone();
}

QString DefinitionPanel::pathOf(int file) const {
  if (!facts_ || file < 0 || file >= static_cast<int>(facts_->files.size())) return QString();
  return QDir(folder_).filePath(facts_->files[static_cast<size_t>(file)].localPath);
}

void DefinitionPanel::showNone() {
  function_ = -1;
  markedLine_ = 0;
  sites_.clear();
  nameLabel->clear();
  placeLabel->setText(facts_ ? QString() : note_);
  calls->clear();
  callers->clear();
}

QString DefinitionPanel::pointerKindText(const QString& kind) {
  if (kind == QLatin1String("struct_field")) return QStringLiteral("構造体のメンバ");
  if (kind == QLatin1String("field")) return QStringLiteral("メンバ名");
  if (kind == QLatin1String("variable")) return QStringLiteral("変数");
  if (kind == QLatin1String("parameter")) return QStringLiteral("引数");
  return kind;
}

void DefinitionPanel::addEntry(QListWidget* list, const QString& name, const QString& where, int function, int line,
                               int file) {
  auto* item = new QListWidgetItem(where.isEmpty() ? name : name + QStringLiteral("  —  ") + where, list);
  item->setData(kFunctionRole, function);
  item->setData(kLineRole, line);
  item->setData(kFileRole, file);
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
  for (const CallFact& c : fn.calls) {
    if (c.pointer.isEmpty()) {
      addEntry(calls, c.name, QStringLiteral("%1行").arg(c.line), c.function, c.line, c.file);
      continue;
    }
    // A call through a function pointer: marked, with how its target was found.
    addEntry(calls, c.name, QStringLiteral("%1行  [ポインタ経由: %2]").arg(c.line).arg(pointerKindText(c.pointer)),
             c.function, c.line, c.file);
    QListWidgetItem* item = calls->item(calls->count() - 1);
    QFont f = item->font();
    f.setItalic(true);
    item->setFont(f);
  }
  callers->clear();
  // Each caller by the place of its (first) call, not of its definition.
  for (int c : fn.callers) {
    const FunctionFact& caller = facts_->functions[static_cast<size_t>(c)];
    int file = caller.file, line = caller.line;
    for (const CallFact& call : caller.calls)
      if (call.function == function) {
        file = call.file;
        line = call.line;
        break;
      }
    addEntry(callers, caller.name, QStringLiteral("%1:%2").arg(facts_->fileName(file)).arg(line), c, line, file);
  }
  sites_.clear();
  showSource(fn.file, fn.line);
  findCallSites(fn);
  markSourceLine(fn.line);
}

void DefinitionPanel::showUndefined(const QString& name) {
  showNone();
  nameLabel->setText(name);
  placeLabel->setText(QStringLiteral("解析したソースには定義がありません"));
  const int u = facts_ ? facts_->undefinedNamed(name) : -1;
  if (u < 0) return;
  for (int c : facts_->undefined[static_cast<size_t>(u)].callers) {
    const FunctionFact& caller = facts_->functions[static_cast<size_t>(c)];
    int file = caller.file, line = caller.line;
    for (const CallFact& call : caller.calls)
      if (call.function < 0 && call.name == name) {
        file = call.file;
        line = call.line;
        break;
      }
    addEntry(callers, caller.name, QStringLiteral("%1:%2").arg(facts_->fileName(file)).arg(line), c, line, file);
  }
}

void DefinitionPanel::showSource(int file, int line) {
  if (file < 0) {  // a definition tree.json places in no file
    sourceFile_ = -1;
    changed_ = false;
    changedLabel->hide();
    source->clear();
    return;
  }
  if (file != sourceFile_) {
    sourceFile_ = file;
    changed_ = false;
    const QString path = facts_->files[static_cast<size_t>(file)].localPath;
    const QString full = QDir(folder_).filePath(path);
    QFile f(full);
    if (!f.open(QIODevice::ReadOnly)) {
      source->setPlainText(QStringLiteral("%1 を開けません").arg(path));
    } else if (f.size() > kLargestSource) {
      source->setPlainText(QStringLiteral("%1 は大きすぎるため表示しません").arg(path));
    } else {
      source->setPlainText(decodeSource(f.readAll()));
      // Written after the run: the lines the facts name may have moved.
      changed_ = facts_->written.isValid() && QFileInfo(full).lastModified() > facts_->written;
    }
    changedLabel->setVisible(changed_);
  }
  markSourceLine(line);
}

// Every call of the shown function that stands in the shown source: the
// callee's name at the line tree.json gives, in order, a second call of the
// same name on one line taking the next occurrence. A source changed since
// the run gets none: its lines are no longer the ones analysed.
void DefinitionPanel::findCallSites(const FunctionFact& fn) {
  sites_.clear();
  if (changed_ || fn.file != sourceFile_) return;
  QTextDocument* doc = source->document();
  for (const CallFact& c : fn.calls) {
    if (c.file != fn.file || c.name.isEmpty()) continue;
    const QTextBlock block = doc->findBlockByNumber(c.line - 1);
    if (!block.isValid()) continue;
    const QString text = block.text();
    int from = 0;
    for (const CallSite& s : sites_)
      if (s.line == c.line && text.mid(s.from, s.to - s.from) == c.name) from = std::max(from, s.to);
    bool found = false;
    for (int at = text.indexOf(c.name, from); at >= 0 && !found; at = text.indexOf(c.name, at + 1)) {
      const int end = at + static_cast<int>(c.name.size());
      if ((at > 0 && isNameChar(text[at - 1])) || (end < text.size() && isNameChar(text[end]))) continue;
      sites_.push_back(CallSite{c.line, at, end, c.function});
      found = true;
    }
    // A call that a macro brings: the name is not on the line, the macro's
    // is (the first name used as a call there that marks nothing else).
    if (!found) macroSite(c, text);
  }
}

void DefinitionPanel::macroSite(const CallFact& c, const QString& text) {
  static const QStringList kKeywords{QStringLiteral("if"), QStringLiteral("while"), QStringLiteral("for"),
                                     QStringLiteral("switch"), QStringLiteral("return"), QStringLiteral("sizeof")};
  for (int at = 0; at < text.size();) {
    if (!isNameChar(text[at]) || (at > 0 && isNameChar(text[at - 1])) || text[at].isDigit()) {
      ++at;
      continue;
    }
    int end = at;
    while (end < text.size() && isNameChar(text[end])) ++end;
    int paren = end;
    while (paren < text.size() && text[paren] == QLatin1Char(' ')) ++paren;
    const QString word = text.mid(at, end - at);
    const bool taken = std::any_of(sites_.begin(), sites_.end(),
                                   [&](const CallSite& s) { return s.line == c.line && s.from == at; });
    if (paren < text.size() && text[paren] == QLatin1Char('(') && !kKeywords.contains(word) && !taken) {
      sites_.push_back(CallSite{c.line, at, end, c.function});
      return;
    }
    at = end;
  }
}

void DefinitionPanel::markSourceLine(int line) {
  const QTextBlock block = source->document()->findBlockByNumber(line - 1);
  if (!block.isValid()) return;
  markedLine_ = line;
  QList<QTextEdit::ExtraSelection> marks;
  QTextEdit::ExtraSelection mark;
  mark.format.setBackground(changed_ ? kStaleMark : kDefinitionMark);
  mark.format.setProperty(QTextFormat::FullWidthSelection, true);
  mark.cursor = QTextCursor(block);
  marks << mark;
  for (const CallSite& site : sites_) {
    const QTextBlock b = source->document()->findBlockByNumber(site.line - 1);
    if (!b.isValid()) continue;
    QTextEdit::ExtraSelection call;
    call.cursor = QTextCursor(b);
    call.cursor.setPosition(b.position() + site.from);
    call.cursor.setPosition(b.position() + site.to, QTextCursor::KeepAnchor);
    call.format.setFontUnderline(true);
    call.format.setForeground(site.function >= 0 ? kCallLink : QColor(110, 110, 110));
    if (site.line == line) call.format.setBackground(kDefinitionMark);
    marks << call;
  }
  source->setExtraSelections(marks);
  source->setTextCursor(QTextCursor(block));
  // The line a few lines below the top, so its comment shows above it.
  source->verticalScrollBar()->setValue(std::max(line - 1 - 3, 0));
}

int DefinitionPanel::siteAt(const QPoint& viewportPos) const {
  const QTextCursor c = source->cursorForPosition(viewportPos);
  // The cursor lands between characters: the one under the pointer is left
  // of it when the cursor stands right of the pointer.
  int column = c.positionInBlock();
  if (source->cursorRect(c).x() > viewportPos.x()) --column;
  for (size_t i = 0; i < sites_.size(); ++i)
    if (sites_[i].line == c.blockNumber() + 1 && column >= sites_[i].from && column < sites_[i].to)
      return static_cast<int>(i);
  return -1;
}

bool DefinitionPanel::eventFilter(QObject* watched, QEvent* e) {
  if (watched == source->viewport()) {
    if (e->type() == QEvent::MouseMove) {
      const int at = siteAt(static_cast<QMouseEvent*>(e)->position().toPoint());
      source->viewport()->setCursor(at >= 0 && sites_[static_cast<size_t>(at)].function >= 0 ? Qt::PointingHandCursor
                                                                                           : Qt::IBeamCursor);
    } else if (e->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
      const int at = siteAt(static_cast<QMouseEvent*>(e)->position().toPoint());
      if (at >= 0 && sites_[static_cast<size_t>(at)].function >= 0 && !source->textCursor().hasSelection()) {
        emit calleeActivated(sites_[static_cast<size_t>(at)].function);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace zelta::fe
