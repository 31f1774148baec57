#include "calltree/extraction.h"

#include "driver/run.h"

namespace zelta {

// Placeholder until the extraction lands.
int getfilename3(Run&, const std::string&, const std::string&, int) { return 1; }

}  // namespace zelta
