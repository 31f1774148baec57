// Function extraction: definitions and calls from one cleaned text.
#pragma once
#include <string>
#include <string_view>

namespace zelta {

struct Run;
struct CleanedText;
class LineMap;

// Scans the cleaned text of the source `filename` and appends its
// definitions and calls to the run's record list; with the map the
// conversion pass filled, each record also gets its source location.
// `path`: the source as opened, which tells apart two sources of the same
// name in different folders (default: `filename`). Returns 1.
int getfilename3(Run& run, const CleanedText& text, const std::string& filename, int mode_a,
                 const LineMap* map = nullptr, const std::string* path = nullptr);
// The same for a cleaned text in the file `conv` (CR LF line ends).
int getfilename3(Run& run, const std::string& conv, const std::string& filename, int mode_a,
                 const LineMap* map = nullptr);

void MakeKeywordList(Run& run);
// 1 when `name` is none of the keywords, 0 when it is one.
int IsNotKeyword(Run& run, std::string_view name);
// Creates one record; the brace depth tells a definition (0) from a call.
void AddRecord(Run& run, std::string_view name, int file);
// The index of a source in the run's file table (added when new), by the
// path it was opened under; `filename` is the name the outputs show.
int InternFile(Run& run, const std::string& filename, const std::string& path);

}  // namespace zelta
