#include "driver/run_sequence.h"

#include <cstdlib>
#include <string>

#include "calltree/call_graph.h"
#include "calltree/call_index.h"
#include "calltree/pointers/pointer_join.h"
#include "calltree/tree_render.h"
#include "config/version.h"
#include "driver/command_line.h"
#include "driver/input_discovery.h"
#include "driver/line_limit.h"
#include "driver/settings_file.h"
#include "run/run.h"

namespace zelta {

static const char* const kDashLine = "------------------------\n";

static void PrintUsage(Run& run) {
  static const char* const lines[] = {
      "<概要>\n",
      "関数の階層構造を表示します\n\n",
      "<書式>\n",
      "zelta [-a -d -e -m -o -s -t -v] [-f [指定の関数名]] [ファイル名|ディレクトリ名]\n\n",
      "<オプション>\n",
      "-a : 全関数を表示する\n",
      "-d : デバッグモードで実行\n",
      "-e : 省略して表示する\n",
      "-f ; 指定の関数以下だけを表示する\n",
      "-m : 中間ファイルを出力する > 1 2 3 4 5.txt\n",
      "-o : 解析結果をファイルに出力する > tree.txt\n",
      "-s : -fを拡張したもの、すべての関数を指定してそれ以下を表示する\t\n",
      "-t : 実行時間を計測する\n",
      "-v : 関数がどのファイルにあるかを表示する\n",
      "-g : 呼び出し関係をGraphviz形式で出力する > tree.dot\n",
      "-j : 解析結果をJSON形式で出力する > tree.json\n",
      "-r : 指定の関数を呼び出している関数を表示する\n",
      "-f ファイル名:関数名 : 指定のファイルで定義された関数以下だけを表示する\n",
      "@ファイル名 : ファイルに1行に1つずつ書かれたパスを解析する\n",
  };
  for (const char* l : lines) run.con.text(l);
}

static void PrintElapsed(Run& run) {
  char endtext[64], starttext[64];
  std::snprintf(endtext, sizeof endtext, "%4d.%03d", static_cast<int>(run.end.sec), run.end.ms);
  std::snprintf(starttext, sizeof starttext, "%3d.%03d", static_cast<int>(run.start.sec), run.start.ms);
  double elapsed = std::atof(endtext) - std::atof(starttext);
  run.con.print("実行結果にかかった時間:%3.3lf秒\n", elapsed);
  if (run.opt.flgerrlog) run.errlog.print("実行結果にかかった時間:%3.3lf秒\n", elapsed);
}

void DrawCallTree(Run& run) {
  const Options& o = run.opt;
  CheckRecurrciveCall2(run);
  checkstdfunc(run);
  if (o.flgptr) JoinPointerCalls(run);
  if (o.flgtime) Checkpoint(run, "3 : %d.%03d\n");
  if (o.flgmid) {
    DumpRecords(run);
    run.con.print("2.txt:OK\n");
  }
  run.con.text("解析結果を描画してます...\n");
  run.con.flush();
  // Both directions of the calls, for the callers tree and for tree.json.
  CallIndex index;
  if (o.flgrev || o.flgjson) index.build(run.recs, o.flgrev != 0, o.flgptr ? &run.ptr : nullptr);
  const int maxdepth = BuildTree(run, 5, o.startfunc, o.flgrev ? &index : nullptr);
  if (o.flgtime) Checkpoint(run, "4 : %d.%03d\n");
  const int count = printdsp(run);
  DrawTree(run, maxdepth, count, o.flgrev || o.flgjson ? &index : nullptr);
  if (o.flgtime) {
    Checkpoint(run, "5 : %d.%03d\n");
    run.end = clock_now();
  } else {
    run.con.print("\n****************** zelta Ver%d.%d%d ****************\n", kVersionMajor, kVersionMinor,
                  kVersionPatch);
    run.con.print("*************************************************\n");
  }
}

static int Sequence(Run& run, std::vector<std::string>& words) {
  Options& o = run.opt;
  run.start = clock_now();
  if (!run.errlog.open("zelta_err.txt")) {
    // Without its log the run could not report anything to the front-end.
    run.con.text("エラー : zelta_err.txtを作成できません\n");
    EndRun(0);
  }
  if (words.size() < 2) {
    PrintUsage(run);
    EndRun(0);
  }
  ReadSettingsFile(run);
  run.cfg.max_lines = TreeLineLimit();
  const int optcnt = ParseSwitches(run, words);
  if (o.flgtime) run.start = clock_now();
  if (o.flgdebug) {
    run.con.print("argc:%d\n", static_cast<int>(words.size()));
    for (size_t i = 1; i < words.size(); ++i) run.con.print("%d:%s\n", static_cast<int>(i), words[i].c_str());
    run.con.text(kDashLine);
    for (size_t i = 1; i < words.size(); ++i) {
      run.con.print("temp_arg:%s\n", words[i].c_str());
      run.con.text(kDashLine);
    }
    run.con.print("optcnt=%d\n", optcnt);
  }
  ExpandListFiles(run, words, optcnt);
  const std::string arg_fileOrdir = JoinPaths(run, words, optcnt);
  if (o.flgdebug) run.con.print("arg_fileOrdir:%s\n", arg_fileOrdir.c_str());
  if (o.flgtime) {
    run.con.text("時間を計測中...\n");
    Checkpoint(run, "1 : %d.%03d\n");
  }
  Tree(run, arg_fileOrdir);
  if (o.flgtime) Checkpoint(run, "2 : %d.%03d\n");
  DrawCallTree(run);
  if (o.flgtime) PrintElapsed(run);
  run.errlog.close();
  if (!o.flgerrlog) remove_file("zelta_err.txt");
  return 1;
}

static int RunWith(Run& run, std::vector<std::string>& words) {
  int status;
  try {
    status = Sequence(run, words);
  } catch (const RunExit& e) {
    status = e.status;
  }
  run.errlog.close();
  run.con.flush();
  return status;
}

int RunConzelta(Console& console, std::vector<std::string> words) {
  Run run(console);
  return RunWith(run, words);
}

int RunConzeltaToExit(Console& console, std::vector<std::string> words) {
  // Freeing a large run's millions of records and names one by one takes a
  // good part of a second that the process's end does at once. Held here,
  // the run is still reachable when the process ends, so a leak check does
  // not take it for a leak.
  static Run* volatile kept = nullptr;
  kept = new Run(console);
  const int status = RunWith(*kept, words);
  kept->conf.reset();  // its threads end as ever
  return status;
}

}  // namespace zelta
