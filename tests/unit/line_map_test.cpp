// The line map alone: what it stores and how a cleaned text is located.
#include <gtest/gtest.h>

#include "prepare/line_map.h"

namespace zelta {
namespace {

TEST(LineMap, StoresOnlyWhereLinesStopFollowingTheSource) {
  // Cleaned text: "a\nb\n\n x(){c\nd" with file 0 lines 1-2, a marker for
  // a name on line 2, and a body that starts on line 4 of file 1.
  const std::string text = "a\nb\n\n x(){c\nd";
  LineMap m;
  m.mark(0, 0, {0, 1});
  m.mark(2, 1, {0, 2});  // follows on: not stored
  m.mark(5, 3, {0, 2});  // the marker line's name
  m.mark(9, 3, {1, 4});  // the body, in a header
  EXPECT_EQ(m.size(), 3u);

  LineCursor c(&m, text);
  EXPECT_EQ(c.at(0), (SourceLoc{0, 1}));
  EXPECT_EQ(c.at(2), (SourceLoc{0, 2}));
  EXPECT_EQ(c.at(5), (SourceLoc{0, 2}));
  EXPECT_EQ(c.at(12), (SourceLoc{1, 5}));  // one line end after the entry
  EXPECT_EQ(c.at(9), (SourceLoc{1, 4}));   // backwards again
  EXPECT_EQ(c.at(999), (SourceLoc{1, 5}));

  LineCursor none(nullptr, text);
  EXPECT_EQ(none.at(3), SourceLoc{});
}

}  // namespace
}  // namespace zelta
