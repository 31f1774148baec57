#include "prepare/configured/configured_run.h"

#include <filesystem>

#include "platform/text_codec.h"
#include "platform/text_file.h"
#include "prepare/configured/prefetch.h"
#include "prepare/configured/compile_database.h"
#include "prepare/configured/compiler_macros.h"
#include "run/run.h"

namespace zelta::configured {

namespace {

void drop(ConfiguredRun* c) { delete c; }

}  // namespace

// The threads that preprocess ahead stop before the tables they read go.
ConfiguredRun::~ConfiguredRun() { ahead.reset(); }

SourceConfig ConfiguredRun::config_for(const std::string& source) const {
  const std::string key = canonical_path(source);
  if (auto it = db.by_source.find(key); it != db.by_source.end()) return it->second;
  // A source the database does not list is compiled as most listed ones of
  // its folder are (a build tool among them has flags of its own); without
  // any, with the compiler's defaults.
  const std::string folder = std::filesystem::path(key).parent_path().string();
  if (auto f = db.typical_in_folder.find(folder); f != db.typical_in_folder.end()) {
    SourceConfig c = db.by_source.at(f->second);
    c.listed = false;
    return c;
  }
  SourceConfig c;
  c.angled = system_dirs;
  return c;
}

const LexedFile* ConfiguredRun::load(const std::string& path) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = files_.find(path);
    if (it != files_.end()) return it->second.get();
  }
  // Read and lexed outside the lock; when another thread was quicker, its
  // copy is the one kept (both are the same file's).
  std::unique_ptr<LexedFile> f;
  TextReader in;
  const std::string* bytes = held ? held(path) : nullptr;
  if (bytes) in.open_bytes(*bytes);
  if (bytes || in.open(path)) {
    f.reset(new LexedFile);
    lex_file(in.data(), id_of(path), *f);
  }
  std::lock_guard<std::mutex> lock(mu_);
  return files_.emplace(path, std::move(f)).first->second.get();
}

std::string ConfiguredRun::path_of(int id) {
  std::lock_guard<std::mutex> lock(mu_);
  return id >= 0 && static_cast<size_t>(id) < paths_.size() ? paths_[static_cast<size_t>(id)] : std::string();
}

int ConfiguredRun::id_of(const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  auto [it, added] = ids_.try_emplace(path, static_cast<int>(paths_.size()));
  if (added) paths_.push_back(path);
  return it->second;
}

ConfiguredRun& configured_run(Run& run, const std::string& first_source) {
  if (run.conf) return *run.conf;
  run.conf = std::unique_ptr<ConfiguredRun, void (*)(ConfiguredRun*)>(new ConfiguredRun, drop);
  ConfiguredRun& cr = *run.conf;
  cr.held = run.rd.held;
  CompilerFacts facts = ask_compiler();
  cr.from_compiler = facts.from_compiler;
  cr.system_dirs = facts.system_dirs;
  cr.predefined = facts.defines;
  lex_file(cr.predefined, -1, cr.predefined_lexed);
  std::string dir = run.cfg.include_path;
  if (!dir.empty() && dir.back() == '\n') dir.pop_back();
  cr.include_path = cp932_to_locale(dir);
  if (!cr.from_compiler) run.con.text("コンパイラ(cc)がないため、組み込みのマクロ(x86_64 Linux GCC 12)を使います\n");

  // A database named beforehand (the language server's) is taken as it is.
  const std::string path = run.cfg.compile_database.empty() ? find_database(first_source) : run.cfg.compile_database;
  if (path.empty()) {
    run.con.text("compile_commands.jsonがありません : 定義済みマクロだけで解析します\n");
    return cr;
  }
  std::string why;
  int skipped = 0, gone = 0;
  if (!read_database(path, cr.system_dirs, cr.db, why, skipped, gone)) {
    cr.db = CompileDatabase{};
    run.cfg.compile_database.clear();
    const std::string fmt = "エラー : %sを使えません(" + why + ") : 定義済みマクロだけで解析します\n";
    run.con.print(fmt.c_str(), path.c_str());
    run.errlog.print(fmt.c_str(), path.c_str());
    return cr;
  }
  run.cfg.compile_database = path;
  run.con.print("構成ファイル : %s (%d件)\n", path.c_str(), static_cast<int>(cr.db.by_source.size()));
  if (skipped > 0) {
    run.con.print("%sの%d件の項目は読めないため使いません\n", path.c_str(), skipped);
    run.errlog.print("%sの%d件の項目は読めないため使いません\n", path.c_str(), skipped);
  }
  if (gone > 0) {
    run.con.print("%sの%d件の項目のフォルダがありません\n", path.c_str(), gone);
    run.errlog.print("%sの%d件の項目のフォルダがありません\n", path.c_str(), gone);
  }
  return cr;
}

}  // namespace zelta::configured
