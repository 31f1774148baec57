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

void ErrorExit(Run& run, int code) {
  const char* log = nullptr;
  const char* con = nullptr;
  bool counters = false;
  switch (code) {
    case -111:
      log = "関数が定義されていません";
      con = "関数が定義されていません\n";
      break;
    case -100:
      log = "ダブルコーテーションの対応がとれてません";
      con = "ダブルコーテーションの対応がとれてません\n";
      counters = true;
      break;
    case -99:
      log = "シングルコーテーションの対応がとれてません";
      con = "シングルコーテーションの対応がとれてません\n";
      counters = true;
      break;
    case -89:
    case -70:
      log = "メモリの確保に失敗しました";
      con = "エラー : -70\n";
      break;
    case -3:
      log = "関数が１つも定義されていません\n";
      con = "関数が１つも定義されていません\n";
      break;
    default:
      // Codes outside the table are not raised through here; keep the frame.
      run.errlog.print("エラー : %d\n", code);
      run.con.print("エラー : %d\n", code);
      KeyWait(run);
      EndRun(0);
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
