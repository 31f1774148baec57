// Cases as folders: each folder under tests/cases/ holds the inputs of one or
// more runs of conzelta. Inputs: input.c (further inputs, such as headers or
// folders, beside it); a file `inputs` names example programs (folders of
// examples/) to copy in as well. A run: args (the switches, one a line;
// input.c is added when the folder holds one, else args names the inputs
// too) and one or more expected files: expected.X is compared byte for byte
// with the X.txt the run leaves (expected.tree with tree.txt, expected.2 with
// 2.txt, expected.abcd with abcd.txt), CR LF read as LF; expected.out with
// standard output, expected.dot with tree.dot, and expected.json with
// tree.json in part (every key it gives must be there with that value).
// Further runs over the same inputs are args.NAME with expected.NAME.X.
// A run ends with status 1 unless expected.status (expected.NAME.status)
// gives another. Every tree.json is also checked against tree.txt line for
// line and, with -m, against 2.txt; every tree.dot must be accepted by `dot`.
// A folder whose name ends in ".b" records a known fault: it is listed, and
// skipped. ZELTA_UPDATE_CASES=1 writes the expected files from the runs
// instead of comparing (all but expected.json, a part chosen by hand; a run
// without expected files gets expected.tree, or expected.out when no tree
// was written), to be reviewed in the diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "test_support.h"

namespace zelta::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct CaseRun {
  std::string folder;
  std::string run;   // "" for `args`, NAME for `args.NAME`
  std::string name;  // the test's name, unique among the runs
};

void PrintTo(const CaseRun& c, std::ostream* os) { *os << c.folder << (c.run.empty() ? "" : "/args." + c.run); }

std::vector<CaseRun> case_runs() {
  std::vector<CaseRun> runs;
  for (const auto& c : fs::directory_iterator(CASES_DIR)) {
    if (!c.is_directory()) continue;
    for (const auto& f : fs::directory_iterator(c.path())) {
      const std::string name = f.path().filename().string();
      if (name == "args") runs.push_back({c.path().filename().string(), "", ""});
      if (name.starts_with("args.")) runs.push_back({c.path().filename().string(), name.substr(5), ""});
    }
  }
  std::sort(runs.begin(), runs.end(),
            [](const CaseRun& a, const CaseRun& b) { return std::tie(a.folder, a.run) < std::tie(b.folder, b.run); });
  // Test names allow letters, digits and '_' only, so `a-b` and `a_b` map
  // alike; a later run of the same name gets a number.
  std::set<std::string> taken;
  for (CaseRun& c : runs) {
    std::string base = c.folder + (c.run.empty() ? "" : "_" + c.run);
    for (char& ch : base)
      if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    c.name = base;
    for (int n = 2; !taken.insert(c.name).second; ++n) c.name = base + "_" + std::to_string(n);
  }
  return runs;
}

std::string lf(std::string s) {
  std::erase(s, '\r');
  return s;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    out.push_back(text.substr(at, end - at));
  }
  return out;
}

// Every key of `want` is in `got` with the same value; arrays element by element.
void expect_part(const Json& want, const Json& got, const std::string& where) {
  if (want.is_object()) {
    ASSERT_TRUE(got.is_object()) << where;
    for (const auto& [k, v] : want.items()) {
      ASSERT_TRUE(got.contains(k)) << where << "." << k << " missing";
      expect_part(v, got[k], where + "." + k);
    }
  } else if (want.is_array()) {
    ASSERT_TRUE(got.is_array()) << where;
    ASSERT_EQ(want.size(), got.size()) << where;
    for (size_t i = 0; i < want.size(); ++i) expect_part(want[i], got[i], where + "[" + std::to_string(i) + "]");
  } else {
    EXPECT_EQ(want, got) << where;
  }
}

// tree.json's "tree" says what tree.txt shows, line for line.
void expect_tree_matches_text(const Json& tree, const std::string& tree_txt) {
  const std::vector<std::string> rows = lines(lf(tree_txt));
  ASSERT_EQ(tree.size(), rows.size());
  const std::string rule[] = {sj(" │"), sj(" 　"), sj(" ├"), sj(" └")};
  for (size_t i = 0; i < rows.size(); ++i) {
    const Json& e = tree[i];
    const std::string& row = rows[i];
    size_t p = row.find_first_not_of(' ');
    const size_t sp = row.find(' ', p);
    EXPECT_EQ(e["line"], std::stol(row.substr(p, sp - p))) << row;
    int depth = 0;
    for (p = sp + 1;;) {
      const auto r = std::find_if(std::begin(rule), std::end(rule),
                                  [&](const std::string& x) { return row.compare(p, x.size(), x) == 0; });
      if (r == std::end(rule)) break;
      p += r->size();
      ++depth;
    }
    EXPECT_EQ(e["depth"], depth) << row;
    const std::string text = row.substr(p);
    const std::string marker = e.value("marker", "");
    if (marker == "loop") {
      EXPECT_EQ(text, "LOOP LOOP LOOP");
      continue;
    }
    EXPECT_EQ(e["name"], text.substr(0, text.find_first_of(":= "))) << row;
    EXPECT_EQ(marker == "recursive", text.find(":RecurrciveCall") != std::string::npos) << row;
    EXPECT_EQ(marker == "stdfunc", text.find(":Stdfunc") != std::string::npos) << row;
    EXPECT_EQ(e.value("pointer", false), text.find(":Pointer") != std::string::npos) << row;
    if (e.contains("ref")) {
      const std::string ref =
          "=" + std::to_string(e["ref"][0].get<int>()) + "-" + std::to_string(e["ref"][1].get<int>());
      EXPECT_NE(text.find(ref), std::string::npos) << row;
    }
  }
}

// Each function with its calls in source order is one group of 2.txt.
void expect_functions_match_records(const Json& functions, const std::string& records) {
  const std::vector<std::string> groups = lines(lf(records));
  ASSERT_EQ(functions.size(), groups.size());
  for (size_t i = 0; i < groups.size(); ++i) {
    std::string g = functions[i]["name"].get<std::string>() + "-";
    for (const Json& c : functions[i]["calls"]) g += c["name"].get<std::string>() + "-";
    EXPECT_EQ(g, groups[i]);
  }
}

class Case : public ::testing::TestWithParam<CaseRun> {};

TEST_P(Case, Run) {
  const CaseRun& c = GetParam();
  const fs::path src = fs::path(CASES_DIR) / c.folder;
  if (c.folder.ends_with(".b")) GTEST_SKIP() << "known fault";
  ScratchDir dir;
  write_file(dir / "zelta.ini", default_ini());
  fs::create_directory(dir / "tmp");
  const std::string args_name = c.run.empty() ? "args" : "args." + c.run;
  const std::string prefix = c.run.empty() ? "expected." : "expected." + c.run + ".";
  std::vector<std::string> args = lines(lf(read_file((src / args_name).string())));
  std::erase(args, "");
  std::vector<std::pair<std::string, std::string>> expected;  // what, expected text
  for (const auto& e : fs::directory_iterator(src)) {
    const std::string name = e.path().filename().string();
    if (name.starts_with("expected.")) {
      if (name.starts_with(prefix) && name.find('.', prefix.size()) == std::string::npos)
        expected.emplace_back(name.substr(prefix.size()), read_file(e.path().string()));
    } else if (name == "inputs") {
      for (const std::string& example : lines(lf(read_file(e.path().string()))))
        if (!example.empty()) fs::copy(fs::path(EXAMPLES_DIR) / example, dir / example, fs::copy_options::recursive);
    } else if (name != "args" && !name.starts_with("args.")) {
      fs::copy(e.path(), dir / name, fs::copy_options::recursive);
    }
  }
  const bool update = std::getenv("ZELTA_UPDATE_CASES") && std::string(std::getenv("ZELTA_UPDATE_CASES")) == "1";
  ASSERT_TRUE(update || !expected.empty()) << "no " << prefix << "* file in " << src;
  if (fs::exists(src / "input.c")) args.push_back("input.c");
  ProcResult r = run_program(CONZELTA_PATH, args, dir.path(), {"TMP=" + dir / "tmp"});
  const auto produced = [&](const std::string& what) {
    if (what == "out") return r.out;
    if (what == "dot") return read_file(dir / "tree.dot");
    if (what == "status") return std::to_string(r.status) + "\n";
    return lf(read_file(dir / (what + ".txt")));
  };
  const auto status = std::find_if(expected.begin(), expected.end(), [](const auto& e) { return e.first == "status"; });
  const bool has_status = status != expected.end();
  const int want_status = has_status ? std::stoi(status->second) : 1;
  if (update) {
    if (expected.empty()) expected.emplace_back(fs::exists(dir / "tree.txt") ? "tree" : "out", "");
    if (r.status != 1 && !has_status) expected.emplace_back("status", "");
    for (const auto& [what, text] : expected)
      if (what != "json") write_file((src / (prefix + what)).string(), produced(what));
    GTEST_SKIP() << "expected files written";
  }
  EXPECT_EQ(r.status, want_status) << r.out;
  for (const auto& [what, text] : expected) {
    if (what == "json") {
      expect_part(Json::parse(text), Json::parse(read_file(dir / "tree.json")), "tree.json");
    } else if (what != "status") {
      EXPECT_EQ(produced(what), text) << what;
    }
  }

  if (r.status == 1 && fs::exists(dir / "tree.json")) {
    const Json got = Json::parse(read_file(dir / "tree.json"));  // fails the test on invalid JSON
    expect_tree_matches_text(got["tree"], read_file(dir / "tree.txt"));
    // Under -p a body's calls are what the tree walks: pointer targets in, the
    // members called through out.
    const Json& sw = got["run"]["switches"];
    const bool pointers = std::find(sw.begin(), sw.end(), "p") != sw.end();
    if (fs::exists(dir / "2.txt") && !pointers)
      expect_functions_match_records(got["functions"], read_file(dir / "2.txt"));
  }
  if (fs::exists(dir / "tree.dot") && std::system("command -v dot >/dev/null 2>&1") == 0) {
    const std::string cmd =
        "dot -Tsvg '" + dir / "tree.dot" + "' -o '" + dir / "tree.svg" + "' 2>'" + dir / "dot.err" + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << read_file(dir / "dot.err");
    EXPECT_EQ(read_file(dir / "dot.err"), "");
  }
}

std::string test_name(const ::testing::TestParamInfo<CaseRun>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Cases, Case, ::testing::ValuesIn(case_runs()), test_name);

}  // namespace
}  // namespace zelta::test
