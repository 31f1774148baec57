#include "calltree/output_file.h"

#include "platform/system.h"
#include "run/run.h"

namespace zelta {

namespace {

// An output file that cannot be written ends the run like every other error:
// the message on the console and in the log, the key wait, status 0.
[[noreturn]] void OutputFileError(Run& run, const char* name, bool created) {
  const char* fmt = created ? "エラー : %sに書き込めません\n" : "エラー : %sを作成できません\n";
  run.con.print(fmt, name);
  run.errlog.print(fmt, name);
  KeyWait(run);
  EndRun(0);
}

}  // namespace

void OpenOutput(Run& run, TextWriter& w, const char* name, bool lf) {
  if (!w.open(name, lf)) OutputFileError(run, name, false);
}

void CloseOutput(Run& run, TextWriter& w, const char* name) {
  w.flush();
  const bool ok = w.good();
  w.close();
  if (!ok) {
    remove_file(name);
    OutputFileError(run, name, true);
  }
}

}  // namespace zelta
