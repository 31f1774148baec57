// What tree.json tells beyond the text: where each function is defined, what
// it calls, who calls it, and which function each tree line stands for. Read
// once per result, off the window's thread, and checked line by line
// against tree.txt: a file that does not match is refused whole, so that no
// link ever points at the wrong place.
#pragma once
#include <QDateTime>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "result_index.h"

namespace zelta::fe {

struct FileFact {
  QString path;       // as the analyser opened it
  QString localPath;  // for opening (the raw bytes when the file gave them)
  QString shown;      // for reading: from the folder that holds the files' common folder
};

struct CallFact {
  QString name;
  int file = -1;
  int line = 0;
  int function = -1;  // the callee's definition, -1 when undefined
  QString pointer;    // -p: how a target of a call through a pointer was found ("" a direct call)
};

struct FunctionFact {
  QString name;
  std::string utf8;  // the name's bytes, for matching tree lines
  int file = -1;
  int line = 0;
  int unit = -1;
  std::vector<CallFact> calls;
  std::vector<int> callers;
};

struct UndefinedFact {
  QString name;
  std::vector<int> callers;
};

class TreeFacts {
 public:
  // Reads `path`; the tree in it must be the one `index` holds. Returns null
  // and says why in `problem` when the file is missing (problem left empty),
  // unreadable (`unreadable` set too), not the known format, or does not
  // match.
  static std::shared_ptr<const TreeFacts> read(const QString& path, const ResultIndex& index, QString* problem,
                                               const std::atomic<bool>* cancel = nullptr, bool* unreadable = nullptr);

  // When the file was written: the run's time, against which the sources
  // are judged unchanged.
  QDateTime written;

  bool callersTree = false;     // the tree is the callers tree (-r)
  bool undefinedShown = false;  // the run showed undefined functions (-a)
  QString start;
  std::vector<FileFact> files;
  std::vector<FunctionFact> functions;
  std::vector<UndefinedFact> undefined;

  // The function a tree line stands for, or -1.
  int functionOfLine(int line) const {
    return line >= 0 && line < static_cast<int>(lineFunction_.size()) ? lineFunction_[static_cast<size_t>(line)] : -1;
  }
  // A LOOP line's target line, or -1.
  int loopTarget(int line) const;
  int undefinedNamed(const QString& name) const;
  QString fileName(int file) const;  // as shown

 private:
  friend class FactsReader;
  std::vector<int32_t> lineFunction_;
  std::vector<std::pair<int32_t, int32_t>> loops_;  // (line, target), by line
};

// Whether the tree.json at `path` belongs to a result written at
// `notBefore` or later: there is none, one an earlier run left (older), or
// one to read. An invalid `notBefore` takes any file.
enum class FactsFile { Missing, Older, Current };
FactsFile factsFileState(const QString& path, const QDateTime& notBefore);

}  // namespace zelta::fe
