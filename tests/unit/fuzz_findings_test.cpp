// Inputs found by the pipeline fuzzer (fuzz/), each cut down to the few
// lines that reproduce it. They run in the sanitizer build, which is where
// the original faults showed.
#include <gtest/gtest.h>

#include <string>

#include "run_harness.h"
#include "run/preprocessor_state.h"

namespace zelta {
namespace {

using test::RunHarness;

// "#define (" gives a macro head whose name is empty; looking it up read the
// byte before the head.
TEST(FuzzFindings, MacroHeadWithoutAName) {
  MacroTable t;
  const std::string head = "(a_parameter_list_long_enough_for_the_heap)";
  EXPECT_EQ(t.maclookup(head), nullptr);
  t.macdefine(head, "", "body");
  EXPECT_EQ(t.maclookup(head), nullptr);
  EXPECT_EQ(t.maclookup(""), nullptr);

  RunHarness h;
  const std::string out = h.convert("#define (x) y\n#define (\nvoid f(void) { g(); }\n");
  EXPECT_EQ(h.status(), -1) << h.console();
  EXPECT_NE(out.find(" f(){"), std::string::npos) << out;
}

}  // namespace
}  // namespace zelta
