// Opening and closing the result files: a file that cannot be created or
// written ends the run with its message, and never stays half written.
#pragma once
#include "platform/text_file.h"

namespace zelta {

struct Run;

// Creates `name` (CP932 text with CR LF line ends, or with `lf` plain LF).
void OpenOutput(Run& run, TextWriter& w, const char* name, bool lf = false);
// Flushes and closes; a failed write removes the incomplete file.
void CloseOutput(Run& run, TextWriter& w, const char* name);

}  // namespace zelta
