#include "tree_queries.h"

#include <QStringList>
#include <algorithm>

#include "cp932.h"

namespace zelta::fe::TreeQueries {

int relatedLine(const ResultIndex& index, const TreeFacts& facts, int current, int function, bool caller) {
  const int n = index.lineCount();
  const int cur = current;
  const int curF = facts.functionOfLine(cur);
  // A line under a line is called by it; in the callers tree it calls it.
  const int callerF = caller ? function : curF, calleeF = caller ? curF : function;
  const int upperF = facts.callersTree ? calleeF : callerF;
  const int lowerF = facts.callersTree ? callerF : calleeF;
  const bool wantUpper = upperF == function && lowerF != function;
  // The line of `function` in the pair whose lower line is `lower`, or -1.
  auto pairAt = [&](int lower) {
    const int up = index.parent(lower);
    if (curF < 0 || up < 0 || facts.functionOfLine(up) != upperF || facts.functionOfLine(lower) != lowerF) return -1;
    return wantUpper ? up : lower;
  };
  int target = pairAt(cur);
  for (int c = cur + 1; target < 0 && c <= index.lastDescendant(cur); c = index.lastDescendant(c) + 1)
    target = pairAt(c);
  for (int k = 1; k <= n && target < 0; ++k) target = pairAt((cur + k) % n);
  for (int k = 1; k <= n && target < 0; ++k)
    if (facts.functionOfLine((cur + k) % n) == function) target = (cur + k) % n;
  return target;
}

bool knows(const TreeFacts& facts, FunctionRef function) {
  const bool defined = function.kind == FunctionRef::Kind::Defined;
  return !function.isNone() &&
         function.index < static_cast<int>(defined ? facts.functions.size() : facts.undefined.size());
}

int lineOfFunction(const ResultIndex& index, const TreeFacts& facts, int current, FunctionRef function) {
  if (!knows(facts, function)) return -1;
  const bool defined = function.kind == FunctionRef::Kind::Defined;
  const int n = index.lineCount();
  const int cur = current;
  const int curF = facts.functionOfLine(cur);
  int target = -1;
  if (defined) {
    // A function the current one calls, or one that calls it: the place
    // where the tree shows that call, as the definition panel's links go.
    const bool callee = curF >= 0 && std::any_of(facts.functions[static_cast<size_t>(curF)].calls.begin(),
                                                 facts.functions[static_cast<size_t>(curF)].calls.end(),
                                                 [&](const CallFact& c) { return c.function == function.index; });
    const auto& theirCalls = facts.functions[static_cast<size_t>(function.index)].calls;
    const bool caller = curF >= 0 && std::any_of(theirCalls.begin(), theirCalls.end(),
                                                 [&](const CallFact& c) { return c.function == curF; });
    if (callee || caller) target = relatedLine(index, facts, cur, function.index, !callee);
    // Beside the current line (an undefined function's caller is its parent).
    if (const int up = index.parent(cur); target < 0 && up >= 0 && facts.functionOfLine(up) == function.index)
      target = up;
    for (int l = 0; l < n && target < 0; ++l)
      if (facts.functionOfLine(l) == function.index && !index.parts(l).loop) target = l;
  } else {
    // An undefined function has lines of its own only under -a: a child of
    // the current line first, else the first.
    const QString name = facts.undefined[static_cast<size_t>(function.index)].name;
    QByteArray bytes;
    if (index.encoding() == ResultIndex::Encoding::Utf8 || !unicodeToCp932(name, bytes)) bytes = name.toUtf8();
    const std::string_view want(bytes.constData(), static_cast<size_t>(bytes.size()));
    auto named = [&](int l) {
      const LineParts p = index.parts(l);
      return p.stdfunc && p.name == want;
    };
    for (int c = cur + 1; target < 0 && c <= index.lastDescendant(cur); c = index.lastDescendant(c) + 1)
      if (named(c)) target = c;
    for (int l = 0; l < n && target < 0; ++l)
      if (named(l)) target = l;
  }
  return target;
}

QString pathOnly(const ResultIndex& index, int line) {
  if (!index.isTree()) return QStringLiteral("%1行目").arg(line + 1);
  QStringList names;
  for (int l = line; l >= 0; l = index.parent(l)) {
    const LineParts p = index.parts(l);
    const std::string_view b = p.loop ? std::string_view("LOOP") : p.name;
    names.prepend(index.decode(b));
  }
  return names.join(QStringLiteral(" › "));
}

QString placeText(const TreeFacts* facts, int line) {
  const int f = facts ? facts->functionOfLine(line) : -1;
  if (f < 0) return QString();
  const FunctionFact& fn = facts->functions[static_cast<size_t>(f)];
  return QStringLiteral("%1:%2").arg(facts->fileName(fn.file)).arg(fn.line);
}

QString pathText(const ResultIndex& index, const TreeFacts* facts, int line) {
  const QString place = placeText(facts, line);
  return place.isEmpty() ? pathOnly(index, line) : pathOnly(index, line) + QStringLiteral("    ") + place;
}

}  // namespace zelta::fe::TreeQueries
