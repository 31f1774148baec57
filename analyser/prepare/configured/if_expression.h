// The value of a #if expression in the configured mode: C's operators with
// C's precedence over intmax_t and uintmax_t, after macro expansion (the
// names left over count as 0).
#pragma once
#include <string>
#include <vector>

#include "prepare/configured/pp_token.h"

namespace zelta::configured {

struct IfResult {
  bool value = false;
  bool ok = true;
  std::string error;  // why the expression has no value (ok false); system text (UTF-8)
};

IfResult evaluate_if(const std::vector<Token>& tokens);

}  // namespace zelta::configured
