// Finding a name in the result: every line whose function text holds it,
// searched in the bytes as they are, without decoding the text.
#pragma once
#include <QList>
#include <QString>
#include <utility>
#include <vector>

#include "result_index.h"

namespace zelta::fe {

class TreeSearch {
 public:
  // The lines (in order) whose text after the ruling holds `needle`; with
  // `wholeNames` only where it is not part of a longer C name. Case counts,
  // as it does in C names.
  static std::vector<int> lines(const ResultIndex& index, const QString& needle, bool wholeNames);

  // The spans [from, to) of `needle` in one decoded line from column
  // `fromColumn` on, for highlighting.
  static QList<std::pair<int, int>> spans(const QString& lineText, int fromColumn, const QString& needle,
                                          bool wholeNames);
};

}  // namespace zelta::fe
