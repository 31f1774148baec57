// Whole runs compared byte for byte with what the analyser is meant to do:
// the complete console traces of small runs, the dumps of -m, and the
// failure paths with their log texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "test_support.h"

namespace zelta::test {
namespace {

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

// The complete console of a single-file run under -d -m: the command-line
// traces, the input discovery, every byte read from the source and from the
// converted text, and the banners of the later steps.
TEST(Conformance, DebugTraceOfASingleFileRun) {
  Folder f;
  const std::string source = "int f(void)\n{\n  g();\n}\nint main(void)\n{\n  f();\n}\n";
  const std::string cleaned = "int f\n f(){\n  g();\n}\nint main\n main(){\n  f();\n}\n";
  f.source("a.c", source);
  ProcResult r = f.run({"-d", "-m", "a.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "argc:4\n1:\n2:\n3:a.c\n" + kDash + "temp_arg:\n" + kDash + "temp_arg:\n" + kDash +
                       "temp_arg:a.c\n" + kDash + "optcnt=2\nlen=3\narg_fileOrdir:a.c\n" +
                       "---Tree---\nfilename or dirname:a.c\nempty:0\n!!!!File Or Directory!!!!\n"
                       "---CheckFileOrDir---\nFileOrDir:a.c\n!!!!File!!!!\n"
                       "---henkan()---\nfilename=a.c\n" +
                       source + "-------------getfilename3()-----------------\n" + cleaned +
                       "-------------END-getfilename3()-----------------\n"
                       "---CheckRecurrciveCall2---\n---checkstdfunc---\n2.txt:OK\n" +
                       kDrawing + "start->->end\n---start:printdsp()---\n---DrawTree:start---\n" + kBanner);
  EXPECT_EQ(r.err, "filename=a.c\n");
  EXPECT_EQ(f.file("abcd.txt"), crlf(cleaned));
  EXPECT_EQ(f.file("2.txt"), "f-g-\r\nmain-f-\r\n");
  EXPECT_EQ(f.file("3.txt"), "main flg:1\r\n\tf flg:0\r\n");
  EXPECT_EQ(f.file("tree.txt"), sjfile("1 main\n2  └f\n"));
  EXPECT_FALSE(f.exists("zelta_err.txt"));
  EXPECT_TRUE(f.temp_files().empty());
}

// A directory run: entries in the order of their upper-cased names, the
// exact ".c" test, the doubled separator, 2.txt without -m.
TEST(Conformance, DebugTraceOfADirectoryRun) {
  Folder f;
  const std::string a = "int main(void)\n{\n  f();\n}\n";
  const std::string b = "int f(void)\n{\n  g();\n}\n";
  f.source("src/b.c", b);
  f.source("src/a.c", a);
  f.source("src/C.C", "not read\n");
  ProcResult r = f.run({"-d", "-v", "src"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "argc:4\n1:\n2:\n3:src\n" + kDash + "temp_arg:\n" + kDash + "temp_arg:\n" + kDash +
                       "temp_arg:src\n" + kDash + "optcnt=2\nlen=3\narg_fileOrdir:src\n" +
                       "---Tree---\nfilename or dirname:src\nempty:0\n!!!!File Or Directory!!!!\n"
                       "---CheckFileOrDir---\nFileOrDir:src\n!!!!Directory!!!!\n---Directory---\n"
                       "*****a.c\nfilename:src//a.c\n---henkan()---\nfilename=src//a.c\n" +
                       a + "-------------getfilename3_mode_a()-----------------\n" +
                       "int main\n main(){\n  f();\n}\n" +
                       "-------------END-getfilename3_mode_a()-----------------\n1つ目の関数終了\n"
                       "*****b.c\nfilename:src//b.c\n---henkan()---\nfilename=src//b.c\n" +
                       b + "-------------getfilename3_mode_a()-----------------\n" +
                       "int f\n f(){\n  g();\n}\n" +
                       "-------------END-getfilename3_mode_a()-----------------\n2つ目の関数終了\n"
                       "*****C.C\n"
                       "---CheckRecurrciveCall2---\n---checkstdfunc---\n" +
                       kDrawing + "start->->end\n---start:printdsp()---\n---DrawTree:start---\n" + kBanner);
  EXPECT_EQ(r.err, "filename=a.c\nfilename=b.c\n");
  EXPECT_EQ(f.file("2.txt"), "main-f-\r\nf-g-\r\n");
  EXPECT_FALSE(f.exists("3.txt"));
  EXPECT_FALSE(f.exists("abcd.txt"));
  EXPECT_EQ(f.file("tree.txt"), sjfile("1 main [a.c]\n2  └f [b.c]\n"));
  EXPECT_TRUE(f.temp_files().empty());
}

// A list run: headers in the list are passed over, local includes are
// looked for in the first path's folder, and the blank that the #define
// handler leaves unread reaches the converted text.
TEST(Conformance, DebugTraceOfAListRun) {
  Folder f;
  const std::string a = "#include \"h.h\"\nint main(void)\n{\n  f(N);\n}\n";
  const std::string b = "int f(int n)\n{\n  if (n) f(n - 1);\n}\n";
  f.source("src/a.c", a);
  f.source("src/h.h", "#define N 1\n");
  f.source("src/b.c", b);
  ProcResult r = f.run({"-d", "src/a.c", "src/h.h", "src/b.c"});
  EXPECT_EQ(r.status, 1);
  const std::string list = "src/a.c|src/h.h|src/b.c";
  EXPECT_EQ(r.out, "argc:5\n1:\n2:src/a.c\n3:src/h.h\n4:src/b.c\n" + kDash + "temp_arg:\n" + kDash +
                       "temp_arg:src/a.c\n" + kDash + "temp_arg:src/h.h\n" + kDash + "temp_arg:src/b.c\n" +
                       kDash + "optcnt=1\nlen=7\nlen=7\nlen=7\narg_fileOrdir:" + list + "\n" +
                       "---Tree---\nfilename or dirname:" + list + "\nempty:2\n!!!!FileFileFile!!!!\n" +
                       "FileOrDir=" + list + "\n----Multifile()---\nlen=0\n" + list +
                       "\n----Multifile()---\nfilecnt=2\nlen=23\n" + list + "\n---Multifile()---\n" +
                       "ファイル:a.cを解析中...\n---henkan()---\nfilename=src/a.c\n" +
                       "#include \"h.h\"---------src/h.h-------------\n\n---------end of src/h.h-------------\n" +
                       "#define \nint main(void)\n{\n  f(N);\n}\n" +
                       "-------------getfilename3_mode_a()-----------------\n" +
                       " \nint main\n main(){\n  f(1);\n}\n" +
                       "-------------END-getfilename3_mode_a()-----------------\n" +
                       "ファイル:b.cを解析中...\n---henkan()---\nfilename=src/b.c\n" + b +
                       "-------------getfilename3_mode_a()-----------------\n" +
                       "int f\n f(){\n  if (n) f(n - 1);\n}\n" +
                       "-------------END-getfilename3_mode_a()-----------------\n" +
                       "---CheckRecurrciveCall2---\n---checkstdfunc---\n" + kDrawing +
                       "start->->end\n---start:printdsp()---\n---DrawTree:start---\n" + kBanner);
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(f.exists("2.txt"));
  EXPECT_EQ(f.file("tree.txt"), sjfile("1 main\n2  └f\n3  　 └f:RecurrciveCall\n"));
  EXPECT_TRUE(f.temp_files().empty());
}

// A list path that cannot be opened: the files before it are done, the
// message names the path, the log does not, and no converted text is left.
TEST(Conformance, ListPathThatCannotBeOpened) {
  Folder f;
  f.source("a.c", "int main(void)\n{\n}\n");
  ProcResult r = f.run({"a.c", "gone.c"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "ファイル:a.cを解析中...\nファイル:gone.cを解析中...\nエラー : gone.cのファイルがありません\n");
  EXPECT_EQ(f.file("zelta_err.txt"), sjfile("ファイルのオープンに失敗しました\n"));
  EXPECT_TRUE(f.temp_files().empty());
}

// Temporary names count from 1 per source, passing over names already
// taken; only the source an error ends in leaves its file, holding the text
// converted so far. A path that names the file of the source being handled
// reads as the empty file just made for it.
TEST(Conformance, TemporaryNamesAndTheFileLeftBehind) {
  Folder f;
  f.source("a.c", "int main(void)\n{\n  g();\n}\n");
  f.source("b.c", "int g(void)\n{\n  puts(\"open);\n}\n");
  write_file(f.dir / "tmp" + "/tmp1", "x");
  write_file(f.dir / "tmp" + "/tmp3", "y");
  ProcResult r = f.run({"a.c", "b.c"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(f.temp_files().size(), 3u);
  EXPECT_EQ(f.file("tmp/tmp4"), "int g\r\n g(){\r\n");
  EXPECT_EQ(f.file("tmp/tmp1"), "x");

  Folder g;
  g.source("a.c", "#include \"tmp/tmp1\"\nint main(void)\n{\n}\n");
  ProcResult inc = g.run({"-d", "a.c", "tmp/tmp2"});
  EXPECT_EQ(inc.status, 1);
  EXPECT_NE(inc.out.find("---------./tmp/tmp1-------------\n"), std::string::npos) << inc.out;
  EXPECT_NE(inc.out.find("ファイル:tmp2を解析中...\n---henkan()---\nfilename=tmp/tmp2\n-------"), std::string::npos)
      << inc.out;
  EXPECT_TRUE(g.temp_files().empty());
}

// The key wait comes with -d and -w together, and only on the exits of the
// error reporter and of an open macro call; the other messages end at once.
TEST(Conformance, KeyWaitOnlyUnderDebugAndKeep) {
  Folder f;
  f.source("s.c", "int main(void)\n{\n  puts(\"open);\n}\n");
  f.source("m.c", "#define F(a) a\nint main(void)\n{\n  F(1,\n");
  const std::string wait = "何かキーを押してください\n";
  const std::string string_error = "ダブルコーテーションの対応がとれてません\nflgcomment=0 flgdubble=1\n";
  auto ends_with = [](const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
  };

  ProcResult both = f.run({"-d", "-w", "s.c"});
  EXPECT_EQ(both.status, 0);
  EXPECT_TRUE(ends_with(both.out, string_error + wait)) << both.out;
  EXPECT_EQ(f.file("zelta_err.txt"), sj("ダブルコーテーションの対応がとれてません"));
  ProcResult keep = f.run({"-w", "s.c"});
  EXPECT_EQ(keep.out, string_error);
  ProcResult debug = f.run({"-w", "-d", "-a", "-d", "m.c"});
  EXPECT_TRUE(ends_with(debug.out, "エラーナンバー : -200\n" + wait)) << debug.out;
  EXPECT_EQ(f.file("zelta_err.txt"), sjfile("エラーナンバー : -200\n"));
  ProcResult only_debug = f.run({"-d", "m.c"});
  EXPECT_TRUE(ends_with(only_debug.out, "  F(1,\nエラーナンバー : -200\n")) << only_debug.out;

  ProcResult not_c = f.run({"-d", "-w", "s.h"});
  EXPECT_TRUE(ends_with(not_c.out, "FileOrDir:s.h\ns.hはCのソースファイルではありません\n")) << not_c.out;
  f.source("t.c", "int main(void)\n{\n}\n");
  ProcResult no_start = f.run({"-d", "-w", "-f", "zz", "t.c"});
  EXPECT_TRUE(ends_with(no_start.out, kDrawing + "エラー : zzの関数がありせん\nzeltaを終了します\n")) << no_start.out;
  EXPECT_EQ(f.file("zelta_err.txt"), sjfile("エラー : 指定の関数名がありません\nエラー : zzという関数名がありせん\n"));
}

// Under -d every byte the source readers take is echoed once; what the
// handlers read raw (the rest of a #define or #if line, literals, the
// further line a macro call's arguments are read from) is not.
TEST(Conformance, DebugEchoLeavesOutWhatIsReadRaw) {
  Folder f;
  f.source("q.c",
           "#define F(a,b) a+b\n#if 1\nint main(void)\n{\n  char c = 'x';\n  puts(\"s\");\n  F(1,\n  2);\n}\n"
           "#endif\n");
  ProcResult r = f.run({"-d", "-m", "q.c"});
  EXPECT_EQ(r.status, 1);
  const std::string cleaned = "  int main\n main(){\n  char c = ;\n  puts();\n  1+2;\n}\n\n";
  const std::string echo = "#define #if int main(void)\n{\n  char c = '\n  puts(\");\n  F(1,\n}\n#endif\n";
  const std::string from = "---henkan()---\nfilename=q.c\n";
  const size_t at = r.out.find(from);
  ASSERT_NE(at, std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(at, from.size() + echo.size()), from + echo);
  EXPECT_NE(r.out.find("-------------getfilename3()-----------------\n" + cleaned +
                       "-------------END-getfilename3()-----------------\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(f.file("abcd.txt"), crlf(cleaned));

  // The message of an #error line is passed over but still read, and echoed.
  f.source("e.c", "#error can't go on\nint main(void)\n{\n}\n");
  ProcResult e = f.run({"-d", "-m", "e.c"});
  EXPECT_EQ(e.status, 1);
  EXPECT_NE(e.out.find("---henkan()---\nfilename=e.c\n#error can't go on\nint main(void)\n{\n}\n"
                       "-------------getfilename3()"),
            std::string::npos)
      << e.out;
  EXPECT_EQ(f.file("abcd.txt"), "\r\nint main\r\n main(){\r\n}\r\n");
}

// A cycle under a deep path: the LOOP line, the ancestors that the next,
// shallower line closes (" 　" columns), and with -e -a -v the LOOP line of
// a function still being expanded, an undefined last call and the suffixes.
TEST(Conformance, LoopUnderADeepPath) {
  Folder f;
  f.source("t.c",
           "int main(void) { a(); x(); }\nint a(void) { b(); puts(); }\nint b(void) { c(); }\n"
           "int c(void) { a(); }\nint x(void) { }\n");
  ProcResult plain = f.run({"-m", "t.c"});
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(f.file("tree.txt"), sjfile("1 main\n"
                                       "2  ├a\n"
                                       "3  │ └b\n"
                                       "4  │ 　 └c\n"
                                       "5  │ 　 　 └a\n"
                                       "6  │ 　 　 　 └LOOP LOOP LOOP\n"
                                       "7  └x\n"));
  EXPECT_EQ(f.file("3.txt"), crlf("main flg:1\n\ta flg:1\n\t\tb flg:1\n\t\t\tc flg:1\n\t\t\t\ta flg:1\n"
                                  "\t\t\t\t\tLOOP LOOP LOOP flg:0\n\tx flg:0\n"));
  EXPECT_EQ(f.file("2.txt"), "main-a-x-\r\na-b-puts-\r\nb-c-\r\nc-a-\r\nx-\r\n");

  ProcResult all = f.run({"-e", "-a", "-v", "-m", "t.c"});
  EXPECT_EQ(all.status, 1);
  EXPECT_EQ(f.file("tree.txt"), sjfile("1 main [t.c]\n"
                                       "2  ├a [t.c]\n"
                                       "3  │ ├b [t.c]\n"
                                       "4  │ │ └c [t.c]\n"
                                       "5  │ │ 　 └a [t.c]\n"
                                       "6  │ │ 　 　 └LOOP LOOP LOOP\n"
                                       "7  │ └puts:Stdfunc [t.c]\n"
                                       "8  └x [t.c]\n"));
  EXPECT_EQ(f.file("3.txt"), crlf("main [t.c] flg:1\n\ta [t.c] flg:1\n\t\tb [t.c] flg:1\n\t\t\tc [t.c] flg:1\n"
                                  "\t\t\t\ta [t.c] flg:1\n\t\t\t\t\tLOOP LOOP LOOP flg:0\n"
                                  "\t\tputs:Stdfunc [t.c] flg:0\n\tx [t.c] flg:0\n"));
}

// Every function as a start: main first wherever it stands, then the others
// in definition order; a function without calls is a one-line tree, and
// under -e an earlier expansion is a reference.
TEST(Conformance, EveryFunctionAsAStart) {
  Folder f;
  f.source("s.c", "int z(void) { }\nint main(void) { a(); }\nint a(void) { z(); }\n");
  ProcResult r = f.run({"-s", "s.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(f.file("tree.txt"), sjfile("1 main\n2  └a\n3  　 └z\n4 z\n5 a\n6  └z\n"));
  ProcResult e = f.run({"-s", "-e", "s.c"});
  EXPECT_EQ(e.status, 1);
  EXPECT_EQ(f.file("tree.txt"), sjfile("1 main\n2  └a\n3  　 └z\n4 z=3-3\n5 a=2-3\n"));
}

}  // namespace
}  // namespace zelta::test
