// Cases as folders: each folder under tests/cases/ is one run of conzelta.
// It holds input.c (further inputs, such as headers, beside it), args (the
// switches, one a line) and one or more expected files: expected.X is
// compared byte for byte with the X.txt the run leaves (expected.tree with
// tree.txt, expected.2 with 2.txt, expected.abcd with abcd.txt), CR LF read
// as LF. A folder whose name ends in ".b" records a known fault: it is
// listed, and skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "test_support.h"

namespace zelta::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(CASES_DIR))
    if (e.is_directory()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string lf(std::string s) {
  std::erase(s, '\r');
  return s;
}

class Case : public ::testing::TestWithParam<std::string> {};

TEST_P(Case, Run) {
  const fs::path src = fs::path(CASES_DIR) / GetParam();
  if (GetParam().ends_with(".b")) GTEST_SKIP() << "known fault";
  ScratchDir dir;
  write_file(dir / "zelta.ini", default_ini());
  fs::create_directory(dir / "tmp");
  std::vector<std::string> args;
  std::vector<std::pair<std::string, std::string>> expected;  // output file, expected text
  for (const auto& e : fs::directory_iterator(src)) {
    const std::string name = e.path().filename().string();
    if (name == "args") {
      std::string text = lf(read_file(e.path().string()));
      for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size());
        if (end > at) args.push_back(text.substr(at, end - at));
      }
    } else if (name.starts_with("expected.")) {
      expected.emplace_back(name.substr(9) + ".txt", read_file(e.path().string()));
    } else {
      fs::copy_file(e.path(), dir / name);
    }
  }
  ASSERT_FALSE(expected.empty()) << "no expected.* file in " << src;
  args.push_back("input.c");
  ProcResult r = run_program(CONZELTA_PATH, args, dir.path(), {"TMP=" + dir / "tmp"});
  EXPECT_EQ(r.status, 1) << r.out;
  for (const auto& [file, text] : expected) EXPECT_EQ(lf(read_file(dir / file)), text) << file;
}

std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
  std::string s = info.param;
  for (char& c : s)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return s;
}

INSTANTIATE_TEST_SUITE_P(Cases, Case, ::testing::ValuesIn(case_names()), test_name);

}  // namespace
}  // namespace zelta::test
