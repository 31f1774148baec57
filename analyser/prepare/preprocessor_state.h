// Run-wide state of the directive handling and the macro table.
#pragma once

namespace zelta {

struct Preprocessor {
};

}  // namespace zelta
