// Whole runs compared byte for byte with what the analyser is meant to do:
// the complete console traces of small runs, the dumps of -m, and the
// failure paths with their log texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "test_support.h"

namespace zelta::test {
namespace {

const std::string kDrawing = "解析結果を描画してます...\n";
const std::string kBanner =
    "\n****************** zelta Ver1.58 ****************\n"
    "*************************************************\n";
const std::string kDash = "------------------------\n";

// A working folder with the four-line zelta.ini and its own folder for the
// converted texts.
struct Folder {
  ScratchDir dir;
  Folder() {
    write_file(dir / "zelta.ini", default_ini());
    std::filesystem::create_directory(dir / "tmp");
  }
  void source(const std::string& name, const std::string& text) { write_file(dir / name, text); }
  ProcResult run(const std::vector<std::string>& args, const std::string& tmp = "") {
    return run_program(CONZELTA_PATH, args, dir.path(), {"TMP=" + (tmp.empty() ? dir / "tmp" : tmp)});
  }
  std::string file(const std::string& name) const { return read_file(dir / name); }
  bool exists(const std::string& name) const { return file_exists(dir / name); }
  std::vector<std::string> temp_files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir / "tmp")) names.push_back(e.path().filename());
    return names;
  }
};

TEST(Conformance, TemporaryFolderWithoutRoomForANameIsAnError) {
  Folder f;
  f.source("a.c", "int main(void)\n{\n}\n");
  // An existing folder whose name with the prefix "tmp" exceeds 248 characters.
  std::string deep = f.dir / "tmp";
  while (deep.size() + 3 <= 248) deep += "/" + std::string(40, 'd');
  std::filesystem::create_directories(deep);
  ProcResult r = f.run({"a.c"}, deep);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "一時ファイルの作成に失敗しました\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(f.file("zelta_err.txt"), sjfile("一時ファイルの作成に失敗しました\n"));
  EXPECT_FALSE(f.exists("tree.txt"));
  EXPECT_TRUE(std::filesystem::is_empty(deep));

  // A folder just short enough is used.
  Folder g;
  g.source("a.c", "int main(void)\n{\n}\n");
  std::string fits = g.dir / "tmp";
  while (fits.size() + 3 < 248) fits += "x";
  fits.resize(245);
  ASSERT_EQ(fits.size() + 3, 248u);
  std::filesystem::create_directories(fits);
  ProcResult ok = g.run({"a.c"}, fits);
  EXPECT_EQ(ok.status, 1);
  EXPECT_EQ(g.file("tree.txt"), "1 main\r\n");
  EXPECT_TRUE(std::filesystem::is_empty(fits));
}

}  // namespace
}  // namespace zelta::test
