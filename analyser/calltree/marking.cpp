#include <unordered_set>

#include "calltree/call_graph.h"
#include "run/run.h"

namespace zelta {

int CheckRecurrciveCall2(Run& run) {
  if (run.opt.flgdebug) run.con.text("---CheckRecurrciveCall2---\n");
  Records& r = run.recs;
  if (r.empty()) ErrorExit(run, ErrorCode::kNoFunctionRecord);
  // A definition's walk covers the records after it up to the next group
  // end; one pass that remembers the definitions of the open group marks the
  // same records without walking any stretch twice.
  std::unordered_set<int> open;
  int single = -1;  // the common case: one definition per group
  bool have_single = false;
  for (FuncRecord& rec : r.list) {
    if (have_single && (rec.nameid == single || (!open.empty() && open.count(rec.nameid)))) rec.recursive = 1;
    if (rec.isdef) {
      if (!have_single) {
        single = rec.nameid;
        have_single = true;
      } else if (rec.nameid != single) {
        open.insert(rec.nameid);
      }
    }
    if (rec.groupend) {
      have_single = false;
      if (!open.empty()) open.clear();
    }
  }
  return 0;
}

void checkstdfunc(Run& run) {
  if (run.opt.flgdebug) run.con.text("---checkstdfunc---\n");
  Records& r = run.recs;
  for (FuncRecord& rec : r.list) rec.stdfunc = r.def_of(rec.nameid) >= 0 ? 0 : 1;
}

}  // namespace zelta
