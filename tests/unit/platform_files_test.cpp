// Reading files as the original platform's text mode does, and ahead of
// their turn.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/read_ahead.h"
#include "platform/text_file.h"
#include "test_support.h"

namespace zelta {
namespace {

TEST(TextFold, OnlyCarriageReturnsBeforeLineFeedsGo) {
  EXPECT_EQ(fold_crlf(""), "");
  EXPECT_EQ(fold_crlf("a\r\nb\r\n"), "a\nb\n");
  EXPECT_EQ(fold_crlf("a\rb\r"), "a\rb\r");
  EXPECT_EQ(fold_crlf("\r\r\n\r"), "\r\n\r");
  EXPECT_EQ(fold_crlf(std::string("x\0\r\ny", 5)), std::string("x\0\ny", 4));
}

// Files read ahead come back as a reader in turn would read them; a FIFO,
// a missing file or a path asked for out of turn is left to be opened in
// turn (and a FIFO is neither waited for nor read).
TEST(ReadAhead, GivesPlainFilesInTheirTurnOnly) {
  test::ScratchDir dir;
  test::write_file(dir / "a.c", "int a;\r\n");
  test::write_file(dir / "b.c", "int b;\n");
  ASSERT_EQ(::mkfifo((dir / "fifo.c").c_str(), 0600), 0);
  const std::vector<std::string> order{dir / "a.c", dir / "fifo.c", dir / "gone.c", dir / "b.c", dir / "a.c"};
  ReadAhead ahead(order);
  TextReader in;
  ASSERT_TRUE(ahead.take(order[0], in));
  EXPECT_EQ(in.data(), "int a;\n");
  EXPECT_FALSE(ahead.take(order[3], in));  // not its turn
  EXPECT_FALSE(ahead.take(order[1], in));
  EXPECT_FALSE(ahead.take(order[2], in));
  EXPECT_EQ(in.data(), "int a;\n");  // left as it was
  ASSERT_TRUE(ahead.take(order[3], in));
  EXPECT_EQ(in.data(), "int b;\n");
  // A later run of the list, ended early: the reader stops with it.
  ReadAhead again(order);
  ASSERT_TRUE(again.take(order[0], in));
}

}  // namespace
}  // namespace zelta
