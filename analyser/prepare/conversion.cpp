#include "prepare/conversion.h"

#include "driver/run.h"

namespace zelta {

// Placeholder until the conversion pass lands.
void henkan(Run&, const std::string&, const std::string&) {}

}  // namespace zelta
