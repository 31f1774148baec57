#include "driver/input_discovery.h"

#include "driver/run.h"

namespace zelta {

// Placeholder until input discovery lands.
void Tree(Run&, const std::string&) {}

}  // namespace zelta
