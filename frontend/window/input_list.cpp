// The input file list: drops of files and folders, the folder walk and the
// removal of entries.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>

#include "frm_main.h"

namespace zelta::fe {
namespace {

constexpr int kMaxLevel = 200;  // the walk's folder stack: at most 200 slots in use

// A plain folder: a directory that is neither a symbolic link nor hidden.
bool isPlainFolder(const QString& path) {
  const QFileInfo fi(path);
  if (fi.isSymLink() || !fi.isDir()) return false;
  return !fi.fileName().startsWith(QLatin1Char('.'));
}

QByteArray upperBytes(const QString& name) {
  QByteArray b = QFile::encodeName(name);
  for (char& c : b)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return b;
}

// The folder's plain files and folders (no hidden entries, nothing special),
// sorted by the byte order of the upper-cased names.
QStringList listing(const QString& folder) {
  QStringList names = QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                                              QDir::Unsorted);
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const QByteArray ua = upperBytes(a), ub = upperBytes(b);
    if (ua != ub) return ua < ub;
    return QFile::encodeName(a) < QFile::encodeName(b);
  });
  return names;
}

bool isSourceExtension(const QString& ext) {
  return ext == QStringLiteral(".c") || ext == QStringLiteral(".h");
}

}  // namespace

void frmMain::showPrompt() {
  for (const char* line : {"ここにファイルまたは", "フォルダをドラッグ&ドロップ", "してください"})
    TreeView1->addTopLevelItem(new QTreeWidgetItem(QStringList{QString::fromUtf8(line)}));
}

// A drop's entries join the lists at its end, all at once: a whole code
// base (tens of thousands of files) would otherwise insert row by row.
void frmMain::appendEntry(const QString& name, const QString& path) {
  auto* item = new QTreeWidgetItem(QStringList{name});
  item->setToolTip(0, path);  // bare names repeat across a code base's folders
  newNames_ << item;
  newPaths_ << new QTreeWidgetItem(QStringList{path});
}

void frmMain::flushEntries() {
  TreeView1->addTopLevelItems(newNames_);
  TreeView2->addTopLevelItems(newPaths_);
  newNames_.clear();
  newPaths_.clear();
}

void frmMain::Drop(const QStringList& paths) {
  if (running_) return;
  if (dropcount == 0) TreeView1->clear();
  if (dropcount < 32767) ++dropcount;
  for (const QString& p : paths) {
    const QString name = p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
      if (isPlainFolder(p)) folderWalk(p);
      continue;
    }
    if (isSourceExtension(name.mid(dot)))
      appendEntry(name, p);
    else
      AppendMessage(name + msg::kNotSource);
  }
  flushEntries();
}

// Depth first: a folder's files in listing order, then its subfolders from
// the last listed to the first. The stack holds 200 folders in use (holes
// included); a walk that needs more stops with a message and keeps what it
// has found.
void frmMain::folderWalk(const QString& folder) {
  std::array<QString, kMaxLevel + 1> dirstack;
  const QString root = folder + QLatin1Char('/');
  dirstack[0] = root;
  QString current = root;
  int level = 0;
  bool first = true;
  for (;;) {
    if (!first) {
      bool any = false;
      for (int i = 0; i < level; ++i)
        if (!dirstack[static_cast<size_t>(i)].isEmpty()) any = true;
      if (!any) return;
    }
    first = false;
    bool foundSub = false;
    if (level == 0) {
      dirstack[0].clear();
    } else {
      while (dirstack[static_cast<size_t>(level - 1)].isEmpty()) --level;
      current = dirstack[static_cast<size_t>(level - 1)] + QLatin1Char('/');
      dirstack[static_cast<size_t>(level - 1)].clear();
    }
    for (const QString& e : listing(current)) {
      const qsizetype dot = e.lastIndexOf(QLatin1Char('.'));
      if (dot >= 0) {
        if (isSourceExtension(e.mid(dot))) appendEntry(e, current + e);
      } else if (isPlainFolder(current + e)) {
        // The stack holds at most kMaxLevel folders in use; one more is
        // beyond it.
        if (level >= kMaxLevel) {
          AppendMessage(folder +
                        QStringLiteral("のフォルダが多すぎるため、検索を途中で止めました"));
          return;
        }
        foundSub = true;
        dirstack[static_cast<size_t>(level)] = current + e;
        ++level;
      }
    }
    if (!foundSub) {
      --level;
      if (level < 0) return;
      dirstack[static_cast<size_t>(level)].clear();
    }
  }
}

void frmMain::Remove() {
  if (running_ || dropcount == 0) return;
  const QList<QTreeWidgetItem*> sel = TreeView1->selectedItems();
  const int pos = sel.isEmpty() ? -1 : TreeView1->indexOfTopLevelItem(sel.first());
  if (pos >= 0) {
    AppendMessage(sel.first()->text(0) + msg::kRemoved);
    delete TreeView1->takeTopLevelItem(pos);
    delete TreeView2->takeTopLevelItem(pos);
  }
  // Also a drop that left nothing in the list: the next one starts afresh.
  if (TreeView1->topLevelItemCount() == 0) dropcount = 0;
}

}  // namespace zelta::fe
