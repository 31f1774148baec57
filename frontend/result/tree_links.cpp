#include "tree_links.h"

namespace zelta::fe {

LineLink linkOf(const ResultIndex& index, const TreeFacts* facts, int line) {
  LineLink link;
  if (!index.isTree() || line < 0 || line >= index.lineCount()) return link;
  const LineParts p = index.parts(line);
  link.markFrom = p.markFrom;
  link.markTo = p.markTo;
  if (p.refFirst > 0) {
    const int a = p.refFirst - 1, b = p.refLast - 1;
    if (a > b || b >= index.lineCount() || a == line || index.parts(a).name != p.name) return {};
    link.kind = LinkKind::Reference;
    link.target = a;
    link.rangeLast = b;
  } else if (p.loop) {
    int target = -1;
    if (facts) {
      target = facts->loopTarget(line);
    } else {
      // The line above it names the function; its expansion is the nearest
      // ancestor of that name.
      const int x = index.parent(line);
      if (x < 0) return {};
      const std::string_view name = index.parts(x).name;
      for (int a = index.parent(x); a >= 0 && target < 0; a = index.parent(a))
        if (index.parts(a).name == name) target = a;
    }
    if (target < 0) return {};
    link.kind = LinkKind::Loop;
    link.target = link.rangeLast = target;
  } else if (p.recursive) {
    const int up = index.parent(line);
    if (up < 0 || index.parts(up).name != p.name) return {};
    link.kind = LinkKind::Recursive;
    link.target = link.rangeLast = up;
  }
  return link;
}

}  // namespace zelta::fe
