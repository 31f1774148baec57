#include <gtest/gtest.h>

#include "platform/text_file.h"

namespace zelta {
namespace {

TEST(TextFold, OnlyCarriageReturnsBeforeLineFeedsGo) {
  EXPECT_EQ(fold_crlf(""), "");
  EXPECT_EQ(fold_crlf("a\r\nb\r\n"), "a\nb\n");
  EXPECT_EQ(fold_crlf("a\rb\r"), "a\rb\r");
  EXPECT_EQ(fold_crlf("\r\r\n\r"), "\r\n\r");
  EXPECT_EQ(fold_crlf(std::string("x\0\r\ny", 5)), std::string("x\0\ny", 4));
}

}  // namespace
}  // namespace zelta
