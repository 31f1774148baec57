// -c: the functions a source declares at file level, from its declaration
// text (the file-level text the conversion pass keeps: prototypes and the
// headers of definitions among the rest).
#pragma once
#include <string_view>
#include <unordered_set>

namespace zelta {

// Adds each name declared as a function ("R name (params);", a definition's
// header) to `out`; the views point into `decls`. A pointer to a function
// ("R (*name) (params)") and a typedef name are no functions.
void DeclaredFunctions(std::string_view decls, std::unordered_set<std::string_view>& out);

}  // namespace zelta
