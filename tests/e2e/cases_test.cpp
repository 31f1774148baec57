// The case folders of tests/cases, one parametrised test per run.
//
// A case folder holds the inputs (C files, headers, subfolders, optionally
// its own zelta.ini; a file `inputs` names repository folders to copy in as
// well) and any number of runs. A run NAME is NAME.args (one word a line)
// with its expectations beside it, each optional:
//   NAME.tree   tree.txt as UTF-8 text (compared as the CP932, CR LF bytes written)
//   NAME.out    standard output
//   NAME.json   a part of tree.json: every key given must be there with that value
//   NAME.dot    tree.dot exactly
// Every run that writes tree.json also has it checked against tree.txt line
// for line and, under -m, against 2.txt; every tree.dot is handed to `dot`.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "test_support.h"

namespace zelta::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct CaseRun {
  std::string folder;  // the case folder
  std::string run;     // NAME
};

std::vector<CaseRun> AllRuns() {
  std::vector<CaseRun> runs;
  for (const auto& c : fs::directory_iterator(CASES_DIR)) {
    if (!c.is_directory()) continue;
    for (const auto& f : fs::directory_iterator(c.path()))
      if (f.path().extension() == ".args") runs.push_back({c.path().string(), f.path().stem().string()});
  }
  std::sort(runs.begin(), runs.end(), [](const CaseRun& a, const CaseRun& b) {
    return std::tie(a.folder, a.run) < std::tie(b.folder, b.run);
  });
  return runs;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

bool IsExpectation(const fs::path& p) {
  static const char* const kExt[] = {".args", ".tree", ".out", ".json", ".dot"};
  for (const char* e : kExt)
    if (p.extension() == e) return true;
  return p.filename() == "inputs";
}

// Every key of `want` is in `got` with the same value; arrays element by element.
void ExpectPart(const Json& want, const Json& got, const std::string& where) {
  if (want.is_object()) {
    ASSERT_TRUE(got.is_object()) << where;
    for (const auto& [k, v] : want.items()) {
      ASSERT_TRUE(got.contains(k)) << where << "." << k << " missing";
      ExpectPart(v, got[k], where + "." + k);
    }
  } else if (want.is_array()) {
    ASSERT_TRUE(got.is_array()) << where;
    ASSERT_EQ(want.size(), got.size()) << where;
    for (size_t i = 0; i < want.size(); ++i) ExpectPart(want[i], got[i], where + "[" + std::to_string(i) + "]");
  } else {
    EXPECT_EQ(want, got) << where;
  }
}

// tree.json's "tree" says what tree.txt shows, line for line.
void ExpectTreeMatchesText(const Json& tree, const std::string& tree_txt) {
  const std::vector<std::string> rows = Lines(tree_txt);
  ASSERT_EQ(tree.size(), rows.size());
  const std::string rule[] = {sj(" │"), sj(" 　"), sj(" ├"), sj(" └")};
  for (size_t i = 0; i < rows.size(); ++i) {
    const Json& e = tree[i];
    const std::string& row = rows[i];
    size_t p = row.find_first_not_of(' ');
    const size_t sp = row.find(' ', p);
    EXPECT_EQ(e["line"], std::stol(row.substr(p, sp - p))) << row;
    p = sp + 1;
    int depth = 0;
    for (bool more = true; more;) {
      more = false;
      for (const std::string& r : rule)
        if (row.compare(p, r.size(), r) == 0) {
          p += r.size();
          ++depth;
          more = true;
        }
    }
    EXPECT_EQ(e["depth"], depth) << row;
    const std::string text = row.substr(p);
    const std::string name = text.substr(0, text.find_first_of(":= "));
    const std::string marker = e.value("marker", "");
    if (marker == "loop") {
      EXPECT_EQ(text, "LOOP LOOP LOOP");
      continue;
    }
    EXPECT_EQ(e["name"], name) << row;
    EXPECT_EQ(marker == "recursive", text.find(":RecurrciveCall") != std::string::npos) << row;
    EXPECT_EQ(marker == "stdfunc", text.find(":Stdfunc") != std::string::npos) << row;
    if (e.contains("ref")) {
      const std::string ref = "=" + std::to_string(e["ref"][0].get<int>()) + "-" + std::to_string(e["ref"][1].get<int>());
      EXPECT_NE(text.find(ref), std::string::npos) << row;
    }
  }
}

// Each function with its calls in source order is one group of 2.txt.
void ExpectFunctionsMatchRecords(const Json& functions, const std::string& records) {
  const std::vector<std::string> groups = Lines(records);
  ASSERT_EQ(functions.size(), groups.size());
  for (size_t i = 0; i < groups.size(); ++i) {
    std::string g = functions[i]["name"].get<std::string>() + "-";
    for (const Json& c : functions[i]["calls"]) g += c["name"].get<std::string>() + "-";
    EXPECT_EQ(g, groups[i]);
  }
}

class Cases : public ::testing::TestWithParam<CaseRun> {};

TEST_P(Cases, Run) {
  const CaseRun& c = GetParam();
  const fs::path folder(c.folder);
  ScratchDir work;
  for (const auto& f : fs::directory_iterator(folder))
    if (!IsExpectation(f.path()))
      fs::copy(f.path(), work / f.path().filename().string(), fs::copy_options::recursive);
  for (const std::string& in : Lines(read_file((folder / "inputs").string())))
    if (!in.empty())
      fs::copy(fs::path(SOURCE_DIR) / in, work / fs::path(in).filename().string(), fs::copy_options::recursive);
  if (!file_exists(work / "zelta.ini")) write_file(work / "zelta.ini", default_ini());
  fs::create_directory(work / "tmp");

  const auto expected = [&](const char* ext) { return read_file((folder / (c.run + ext)).string()); };
  const auto have = [&](const char* ext) { return file_exists((folder / (c.run + ext)).string()); };
  const std::vector<std::string> args = Lines(expected(".args"));
  ProcResult r = run_program(CONZELTA_PATH, args, work.path(), {"TMP=" + work / "tmp"});
  EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status;

  if (have(".tree")) {
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(read_file(work / "tree.txt"), sjfile(expected(".tree")));
  }
  if (have(".out")) {
    EXPECT_EQ(r.out, expected(".out"));
  }
  if (have(".dot")) {
    EXPECT_EQ(read_file(work / "tree.dot"), expected(".dot"));
  }

  if (file_exists(work / "tree.json") && r.status == 1) {
    const Json got = Json::parse(read_file(work / "tree.json"));  // throws (fails) on invalid JSON
    ExpectTreeMatchesText(got["tree"], read_file(work / "tree.txt"));
    if (file_exists(work / "2.txt")) ExpectFunctionsMatchRecords(got["functions"], read_file(work / "2.txt"));
    if (have(".json")) ExpectPart(Json::parse(expected(".json")), got, "tree.json");
  }
  if (file_exists(work / "tree.dot") && std::system("command -v dot >/dev/null 2>&1") == 0) {
    const std::string cmd = "dot -Tsvg '" + work / "tree.dot" + "' -o '" + work / "tree.svg" + "' 2>'" +
                            work / "dot.err" + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << read_file(work / "dot.err");
    EXPECT_EQ(read_file(work / "dot.err"), "");
  }
}

std::string RunName(const ::testing::TestParamInfo<CaseRun>& info) {
  std::string n = fs::path(info.param.folder).filename().string() + "_" + info.param.run;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Folder, Cases, ::testing::ValuesIn(AllRuns()), RunName);

}  // namespace
}  // namespace zelta::test
