// Run-wide state of the function extraction and the tree builder.
#pragma once

namespace zelta {

struct Records {
};

struct TreeBuilder {
};

}  // namespace zelta
