// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF): the writers of UTF-8 outputs and the charset
// guess of the readers both ask it.
#pragma once
#include <string_view>

namespace zelta {

bool valid_utf8(std::string_view bytes);

}  // namespace zelta
