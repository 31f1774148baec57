#include "run/run.h"

namespace zelta {

void EndRun(int status) { throw RunExit{status}; }

void KeyWait(Run& run) {
  if (run.opt.flgdebug && run.opt.flgerrlog) {
    run.con.print("何かキーを押してください\n");
    run.con.flush();
    wait_for_key();
  }
}

void ErrorExit(Run& run, ErrorCode code) {
  const char* log = nullptr;
  const char* con = nullptr;
  bool counters = false;
  switch (code) {
    case ErrorCode::kNoFunctionRecord:
      log = "関数が定義されていません";
      con = "関数が定義されていません\n";
      break;
    case ErrorCode::kUnclosedString:
      log = "ダブルコーテーションの対応がとれてません";
      con = "ダブルコーテーションの対応がとれてません\n";
      counters = true;
      break;
    case ErrorCode::kUnclosedCharacter:
      log = "シングルコーテーションの対応がとれてません";
      con = "シングルコーテーションの対応がとれてません\n";
      counters = true;
      break;
    case ErrorCode::kNoMemoryForRecord:
    case ErrorCode::kNoMemoryInDirective:
      log = "メモリの確保に失敗しました";
      con = "エラー : -70\n";
      break;
    case ErrorCode::kNoFunctionDefined:
      log = "関数が１つも定義されていません\n";
      con = "関数が１つも定義されていません\n";
      break;
  }
  run.errlog.text(log);
  run.con.text(con);
  if (counters) run.con.print("flgcomment=%d flgdubble=%d\n", run.rd.flgcomment, run.rd.flgdubble);
  KeyWait(run);
  EndRun(0);
}

void Checkpoint(Run& run, const char* fmt) {
  Stamp s = clock_now();
  run.con.print(fmt, static_cast<int>(s.sec), s.ms);
}

}  // namespace zelta
