#include <gtest/gtest.h>

#include "test_support.h"

namespace zelta::test {
namespace {

ProcResult conzelta(const ScratchDir& dir, const std::vector<std::string>& args) {
  return run_program(CONZELTA_PATH, args, dir.path());
}

TEST(Driver, NoArgumentsPrintsUsageAndKeepsEmptyLog) {
  ScratchDir d;
  ProcResult r = conzelta(d, {});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "<概要>\n関数の階層構造を表示します\n\n<書式>\n"
            "zelta [-a -d -e -m -o -s -t -v] [-f [指定の関数名]] [ファイル名|ディレクトリ名]\n\n"
            "<オプション>\n-a : 全関数を表示する\n-d : デバッグモードで実行\n-e : 省略して表示する\n"
            "-f ; 指定の関数以下だけを表示する\n-m : 中間ファイルを出力する > 1 2 3 4 5.txt\n"
            "-o : 解析結果をファイルに出力する > tree.txt\n"
            "-s : -fを拡張したもの、すべての関数を指定してそれ以下を表示する\t\n"
            "-t : 実行時間を計測する\n-v : 関数がどのファイルにあるかを表示する\n"
            "-g : 呼び出し関係をGraphviz形式で出力する > tree.dot\n"
            "-j : 解析結果をJSON形式で出力する > tree.json\n"
            "-r : 指定の関数を呼び出している関数を表示する\n"
            "-f ファイル名:関数名 : 指定のファイルで定義された関数以下だけを表示する\n"
            "@ファイル名 : ファイルに1行に1つずつ書かれたパスを解析する\n");
  EXPECT_TRUE(file_exists(d / "zelta_err.txt"));
  EXPECT_EQ(read_file(d / "zelta_err.txt"), "");
}

TEST(Driver, BrokenSettingsFile) {
  const std::string broken_out = "zelta.iniファイルが壊れてます\nzelta.iniファイルを一度削除してください\n";
  const std::string broken_log = sjfile(broken_out);
  {
    ScratchDir d;  // missing file
    ProcResult r = conzelta(d, {"x.c"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, broken_out);
    EXPECT_EQ(read_file(d / "zelta_err.txt"), broken_log);
  }
  for (const std::string& ini : {std::string("include_path=/usr/include\r\n"),
                                default_ini("/inc") + "opt=-a\r\n", std::string("OPT=-a\r\ninclude_path=x\r\n")}) {
    ScratchDir d;
    write_file(d / "zelta.ini", ini);
    ProcResult r = conzelta(d, {"x.c"});
    EXPECT_EQ(r.status, 0) << ini;
    EXPECT_EQ(r.out, broken_out) << ini;
    EXPECT_EQ(read_file(d / "zelta_err.txt"), broken_log) << ini;
  }
  {
    ScratchDir d;  // a folder named zelta.ini cannot be read
    write_file(d / "zelta.ini/x", "");
    ProcResult r = conzelta(d, {"x.c"});
    EXPECT_EQ(r.out, broken_out);
  }
}

TEST(Driver, MissingFunctionNameIsASyntaxError) {
  ScratchDir d;
  write_file(d / "zelta.ini", default_ini());
  ProcResult r = conzelta(d, {"-f", "name"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "構文のエラーです\n");
  EXPECT_EQ(read_file(d / "zelta_err.txt"), sjfile("構文のエラーです\n"));
}

}  // namespace
}  // namespace zelta::test
