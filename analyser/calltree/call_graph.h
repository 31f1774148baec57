// Marking passes and the tree builder.
#pragma once
#include <string>
#include <string_view>

namespace zelta {

struct Run;
class CallIndex;

// Marks direct self-calls; an empty record list ends the run (-111).
int CheckRecurrciveCall2(Run& run);
// Marks every record as defined (0) or undefined (1).
void checkstdfunc(Run& run);
// Builds the tree lines from the start function(s): their callees, or with
// `callers` (-r) the same walk over the calls turned around. Returns the
// greatest depth reached; every failure ends the run.
int BuildTree(Run& run, int capacity, const std::string& startname, CallIndex* callers = nullptr);

// Results of AddTreeLine besides a record index.
enum : int { kNoRecord = -1, kStartNotFound = -2 };

// Resolves one called name (level -1: a start name) and adds its line(s).
// Returns the definition whose calls are scanned next, the call record itself
// when the scan goes on from it, or kNoRecord.
int AddTreeLine(Run& run, std::string_view name, int level, int record);
// The call after `record` in its group (its name in the callee buffer), or
// kNoRecord at the end of the group.
int NextCallee(Run& run, int record, int depth);

}  // namespace zelta
