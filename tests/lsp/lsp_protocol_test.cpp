// zelta-lsp driven over pipes: every method on the calc example, every bad
// input, and edits that re-analyse in the background.
#include <gtest/gtest.h>
#include <unistd.h>
#include <filesystem>

#include "lsp_client.h"
#include "test_support.h"

namespace zelta::test {
namespace {

namespace fs = std::filesystem;

struct CalcWorkspace {
  CalcWorkspace() {
    for (const char* f : {"calc.h", "eval.c", "lexer.c", "main.c", "parser.c"})
      fs::copy_file(std::string(EXAMPLES_DIR) + "/calc/" + f, dir / f);
    write_file(dir / "notes.txt", "evaluate_line is called by main\n");
  }
  std::string path(const char* f) const { return dir / f; }
  ScratchDir dir;
};

json range(int line, int from, int to) {
  return {{"start", {{"line", line}, {"character", from}}}, {"end", {{"line", line}, {"character", to}}}};
}

std::vector<std::string> names(const json& list, const char* key) {
  std::vector<std::string> out;
  for (const json& e : list) out.push_back(key ? e[key]["name"].get<std::string>() : e["name"].get<std::string>());
  return out;
}

TEST(LspProtocol, AnswersEveryMethodOnTheExample) {
  CalcWorkspace ws;
  LspClient c;
  const json init = c.initialize(ws.dir.path(), true);
  const json caps = init["result"]["capabilities"];
  for (const char* p : {"callHierarchyProvider", "definitionProvider", "referencesProvider", "workspaceSymbolProvider",
                        "documentSymbolProvider", "hoverProvider"})
    EXPECT_EQ(caps[p], true) << p;
  const std::string main_c = ws.path("main.c"), lexer_c = ws.path("lexer.c");

  // evaluate_line, from its definition's name (main.c:13).
  json items = c.request("textDocument/prepareCallHierarchy", at(main_c, 12, 14))["result"];
  ASSERT_EQ(items.size(), 1u);
  const json item = items[0];
  EXPECT_EQ(item["name"], "evaluate_line");
  EXPECT_EQ(item["uri"], file_uri(main_c));
  EXPECT_EQ(item["selectionRange"], range(12, 11, 24));
  EXPECT_EQ(item["range"]["end"]["line"], 29);  // the closing brace

  const json in = c.request("callHierarchy/incomingCalls", {{"item", item}})["result"];
  ASSERT_EQ(in.size(), 1u);
  EXPECT_EQ(in[0]["from"]["name"], "main");
  EXPECT_EQ(in[0]["fromRanges"], json::array({range(39, 13, 26)}));

  const json out = c.request("callHierarchy/outgoingCalls", {{"item", item}})["result"];
  EXPECT_EQ(names(out, "to"), (std::vector<std::string>{"lexer_init", "parse_statement", "report_error"}));
  EXPECT_EQ(out[0]["to"]["uri"], file_uri(lexer_c));
  EXPECT_EQ(out[0]["fromRanges"], json::array({range(18, 4, 14)}));
  // report_error is called through the REPORT macro: the macro's line, from its start.
  EXPECT_EQ(out[2]["fromRanges"][0]["start"]["line"], 23);

  // From the call of lexer_init to its definition in lexer.c; its call sites.
  EXPECT_EQ(c.request("textDocument/definition", at(main_c, 18, 6))["result"],
            json({{"uri", file_uri(lexer_c)}, {"range", range(3, 5, 15)}}));
  json refs = c.request("textDocument/references", at(lexer_c, 3, 7))["result"];
  EXPECT_EQ(refs, json::array({{{"uri", file_uri(main_c)}, {"range", range(18, 4, 14)}}}));
  json with_def = at(lexer_c, 3, 7);
  with_def["context"] = {{"includeDeclaration", true}};
  EXPECT_EQ(c.request("textDocument/references", with_def)["result"].size(), 2u);

  // By name, by prefix (any case), by the letters in order.
  EXPECT_EQ(names(c.request("workspace/symbol", {{"query", "power"}})["result"], nullptr),
            std::vector<std::string>{"power"});
  EXPECT_EQ(names(c.request("workspace/symbol", {{"query", "LEXER_"}})["result"], nullptr),
            (std::vector<std::string>{"lexer_init", "lexer_next", "lexer_accept"}));
  const json fuzzy = c.request("workspace/symbol", {{"query", "pstat"}})["result"];
  EXPECT_EQ(names(fuzzy, nullptr), std::vector<std::string>{"parse_statement"});
  EXPECT_EQ(fuzzy[0]["location"]["uri"], file_uri(ws.path("parser.c")));

  EXPECT_EQ(names(c.request("textDocument/documentSymbol", {{"textDocument", {{"uri", file_uri(main_c)}}}})["result"],
                  nullptr),
            (std::vector<std::string>{"print_banner", "evaluate_line", "main"}));

  const json hover = c.request("textDocument/hover", at(main_c, 39, 15))["result"];
  EXPECT_EQ(hover["contents"]["value"],
            "**evaluate_line** — " + main_c + ":13\n\n1 caller, 3 callees (and 1 defined nowhere)");
  EXPECT_EQ(hover["range"], range(39, 13, 26));

  EXPECT_EQ(c.request("shutdown", nullptr)["result"], nullptr);
  c.notify("exit", nullptr);
  EXPECT_EQ(c.wait(), 0);
}

TEST(LspProtocol, BadInputGetsAnErrorOrNothing) {
  CalcWorkspace ws;
  LspClient c;
  const auto code = [](const json& m) { return m["error"]["code"].get<int>(); };
  EXPECT_EQ(code(c.request("textDocument/hover", at(ws.path("main.c"), 0, 0))), -32002);  // before initialize
  c.send_raw("Content-Type: x\r\n\r\n");                                                  // no length: passed over
  c.send_raw("Content-Length: 12x\r\n\r\n");                                              // a malformed length
  c.send_raw("Content-Length: 999999999999\r\n\r\n");  // over the limit: the rest of input would be its body
  c.close_input();
  EXPECT_EQ(c.wait(), 1);  // the input ended without shutdown

  LspClient d;
  d.initialize(ws.dir.path());
  d.send_raw("Content-Length: 9\r\n\r\n{\"id\": 1,");
  json m = d.next();
  EXPECT_EQ(code(m), -32700);
  EXPECT_EQ(m["id"], nullptr);
  d.send_raw("Content-Length: 2\r\n\r\n[]");
  EXPECT_EQ(code(d.next()), -32600);
  EXPECT_EQ(code(d.request("textDocument/rename", at(ws.path("main.c"), 0, 0))), -32601);
  d.notify("workspace/unknownNotification", json::object());  // dropped
  EXPECT_EQ(code(d.request("textDocument/hover", {{"textDocument", 7}})), -32602);
  EXPECT_EQ(code(d.request("textDocument/hover", at(ws.path("main.c"), -1, 0))), -32602);
  // Nothing at these: a file that does not exist, lines and columns past
  // the end, a file that is no C, a URI that is no file, a lost item.
  for (const json& p :
       {at(ws.path("gone.c"), 0, 0), at(ws.path("main.c"), 5000, 0), at(ws.path("main.c"), 12, 500),
        at(ws.path("notes.txt"), 0, 3),
        json{{"textDocument", {{"uri", "https://x/y.c"}}}, {"position", {{"line", 0}, {"character", 0}}}}})
    for (const char* method : {"textDocument/prepareCallHierarchy", "textDocument/definition", "textDocument/hover",
                               "textDocument/references"})
      EXPECT_EQ(d.request(method, p)["result"], nullptr) << method << " " << p.dump();
  EXPECT_EQ(d.request("callHierarchy/incomingCalls", {{"item", {{"data", {{"name", "nothing"}}}}}})["result"],
            json::array());
  EXPECT_EQ(code(d.request("callHierarchy/outgoingCalls", {{"item", 3}})), -32602);
  EXPECT_EQ(d.request("workspace/symbol", {{"query", "zzzz"}})["result"], json::array());
  // A cancelled request is answered as cancelled, or was answered already.
  const int id = d.send_request("textDocument/hover", at(ws.path("main.c"), 39, 15));
  d.notify("$/cancelRequest", {{"id", id}});
  m = d.answer(id);
  EXPECT_TRUE(m.contains("result") || code(m) == -32800) << m.dump();
  EXPECT_EQ(d.request("shutdown", nullptr)["result"], nullptr);
  EXPECT_EQ(code(d.request("textDocument/hover", at(ws.path("main.c"), 39, 15))), -32600);  // after shutdown
  d.close_input();
  EXPECT_EQ(d.wait(), 0);

  // A workspace without C files, left by exit without shutdown.
  ScratchDir empty;
  LspClient e;
  e.initialize(empty.path());
  EXPECT_EQ(e.request("workspace/symbol", {{"query", ""}})["result"], json::array());
  e.notify("exit", nullptr);
  EXPECT_EQ(e.wait(), 1);
}

// Follows an open buffer's unsaved text (a header's too), refuses positions
// in it while it is analysed, and drops the text when the buffer closes.
TEST(LspProtocol, EditsAreAnalysedInTheBackground) {
  ScratchDir ws;
  const std::string a = ws / "a.c", b = ws / "b.c";
  write_file(a, "void leaf(void)\n{\n}\n");
  write_file(b, "void user(void)\n{\n    leaf();\n}\n");
  const std::string h = ws / "h.h";
  write_file(h, "#define HOOK() other()\n");
  write_file(ws / "c.c", "#include \"h.h\"\nvoid hooked(void)\n{\n    HOOK();\n}\n");
  LspClient c;
  c.initialize(ws.path());
  const json leaf = c.request("textDocument/prepareCallHierarchy", at(a, 0, 6))["result"][0];
  const auto callers = [&] {
    return names(c.request("callHierarchy/incomingCalls", {{"item", leaf}})["result"], "from");
  };
  // Waits for the background analysis to land (a bound, not a measure).
  const auto until_callers = [&](size_t n) {
    for (int i = 0; i < 3000 && callers().size() != n; ++i) ::usleep(20000);
  };
  EXPECT_EQ(callers(), std::vector<std::string>{"user"});

  const std::string edited = "void user(void)\n{\n    leaf();\n}\nvoid more(void) { leaf(); }\n";
  c.notify("textDocument/didOpen",
           {{"textDocument", {{"uri", file_uri(b)}, {"languageId", "c"}, {"version", 1}, {"text", read_file(b)}}}});
  c.notify("textDocument/didChange", {{"textDocument", {{"uri", file_uri(b)}, {"version", 2}}},
                                      {"contentChanges", json::array({{{"text", edited}}})}});
  // Until the new index is in, a position in the changed buffer is refused.
  json m = c.request("textDocument/definition", at(b, 4, 19));
  if (m.contains("error")) {
    EXPECT_EQ(m["error"]["code"], -32801);
  }
  until_callers(2);
  EXPECT_EQ(callers(), (std::vector<std::string>{"user", "more"}));
  EXPECT_EQ(c.request("textDocument/definition", at(b, 4, 19))["result"]["uri"], file_uri(a));
  // An incremental change: the call in more() renamed, then the buffer closed unsaved.
  c.notify("textDocument/didChange",
           {{"textDocument", {{"uri", file_uri(b)}, {"version", 3}}},
            {"contentChanges", json::array({{{"range", range(4, 18, 22)}, {"text", "other"}}})}});
  until_callers(1);
  c.notify("textDocument/didClose", {{"textDocument", {{"uri", file_uri(b)}}}});
  EXPECT_EQ(callers(), std::vector<std::string>{"user"});
  // A file changed on disk and reported by the editor's watcher.
  write_file(a, "void leaf(void)\n{\n}\nvoid caller_on_disk(void) { leaf(); }\n");
  c.notify("workspace/didChangeWatchedFiles", {{"changes", json::array({{{"uri", file_uri(a)}, {"type", 2}}})}});
  until_callers(2);
  EXPECT_EQ(callers(), (std::vector<std::string>{"caller_on_disk", "user"}));
  // An open header's unsaved text is what its includers read.
  c.notify("textDocument/didOpen", {{"textDocument", {{"uri", file_uri(h)}, {"languageId", "c"}, {"version", 1},
                                                      {"text", "#define HOOK() leaf()\n"}}}});
  until_callers(3);
  EXPECT_EQ(callers(), (std::vector<std::string>{"caller_on_disk", "user", "hooked"}));
  c.request("shutdown", nullptr);
  c.notify("exit", nullptr);
  EXPECT_EQ(c.wait(), 0);
}

// A compile_commands.json in the folder picks the #ifdef branch its -D
// names, and a call through a struct's function pointer comes marked; open
// buffers' unsaved texts, a header's too, are what is preprocessed.
TEST(LspProtocol, ConfiguredBranchAndPointerCalls) {
  ScratchDir ws;
  const std::string m = ws / "m.c", h = ws / "h.h";
  write_file(h, "/* nothing yet */\n");
  write_file(m,
             "#include \"h.h\"\n"
             "struct ops { void (*run)(void); };\n"
             "void fast(void) {}\n"
             "void slow(void) {}\n"
             "void handler(void) {}\n"
             "static struct ops table = { .run = handler };\n"
             "void go(void)\n{\n#ifdef FAST\n    fast();\n#else\n    slow();\n#endif\n    table.run();\n}\n");
  write_file(ws / "compile_commands.json",
             json::array({{{"directory", ws.path()}, {"file", "m.c"}, {"arguments", {"cc", "-DFAST", "-c", "m.c"}}}})
                 .dump());
  LspClient c;
  c.initialize(ws.path(), false, {{"pointers", true}});
  const auto item = [&](int line) { return c.request("textDocument/prepareCallHierarchy", at(m, line, 6))["result"][0]; };
  const json out = c.request("callHierarchy/outgoingCalls", {{"item", item(6)}})["result"];
  EXPECT_EQ(names(out, "to"), (std::vector<std::string>{"fast", "handler"}));
  const json in = c.request("callHierarchy/incomingCalls", {{"item", item(4)}})["result"];
  ASSERT_EQ(in.size(), 1u);
  EXPECT_EQ(in[0]["from"]["name"], "go");
  EXPECT_EQ(in[0]["from"]["data"]["pointer"], true);
  EXPECT_NE(in[0]["from"]["detail"].get<std::string>().find("関数ポインタ経由"), std::string::npos);
  EXPECT_EQ(in[0]["fromRanges"][0], range(13, 10, 13));
  EXPECT_FALSE(c.request("callHierarchy/incomingCalls", {{"item", item(2)}})["result"][0]["from"]["data"].contains("pointer"));
  const auto callees = [&] {
    const json r = c.request("callHierarchy/outgoingCalls", {{"item", item(6)}});
    return r.contains("result") && r["result"].is_array() ? names(r["result"], "to") : std::vector<std::string>{};
  };
  const auto opened = [&](const std::string& path, const std::string& text, const std::vector<std::string>& wanted) {
    c.notify("textDocument/didOpen",
             {{"textDocument", {{"uri", file_uri(path)}, {"languageId", "c"}, {"version", 1}, {"text", text}}}});
    for (int i = 0; i < 3000 && callees() != wanted; ++i) ::usleep(20000);  // a bound, not a measure
    EXPECT_EQ(callees(), wanted) << path;
  };
  opened(h, "#undef FAST\n", {"slow", "handler"});
  std::string edited = read_file(m);
  edited.replace(0, 14, "/* no h.h */");  // the same lines, without the header
  opened(m, edited, {"fast", "handler"});
  c.request("shutdown", nullptr);
  c.notify("exit", nullptr);
  EXPECT_EQ(c.wait(), 0);
}

}  // namespace
}  // namespace zelta::test
