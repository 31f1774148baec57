// How many lines the tree may grow to before the run stops: a runaway tree
// on real code could otherwise take billions of lines.
#pragma once

namespace zelta {

// ZELTA_MAX_LINES when it holds a positive number (capped at the largest
// line number), else the default of Settings::max_lines.
long long TreeLineLimit();

}  // namespace zelta
