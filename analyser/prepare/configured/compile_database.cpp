#include "prepare/configured/compile_database.h"

#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/text_file.h"

namespace zelta::configured {

namespace fs = std::filesystem;

namespace {

// Databases of real projects are a few megabytes; one past this size is
// refused rather than held in memory.
constexpr std::uintmax_t kMaxDatabaseBytes = std::uintmax_t{256} << 20;

std::string absolute_in(const std::string& dir, const std::string& p) {
  if (p.empty() || p[0] == '/' || dir.empty()) return p;
  return (fs::path(dir) / p).lexically_normal().string();
}

// "-Dx" or "-D x": the value of a flag with its argument joined or apart.
bool flag_value(const std::vector<std::string>& a, size_t& i, const std::string& flag, std::string& value) {
  const std::string& w = a[i];
  if (w.compare(0, flag.size(), flag) != 0) return false;
  if (w.size() > flag.size()) {
    value = w.substr(flag.size());
    return true;
  }
  if (i + 1 >= a.size()) return false;
  value = a[++i];
  return true;
}

std::string define_line(const std::string& d) {
  const size_t eq = d.find('=');
  if (eq == std::string::npos) return "#define " + d + " 1\n";
  return "#define " + d.substr(0, eq) + " " + d.substr(eq + 1) + "\n";
}

// What -std and -ansi change in the compiler's own macros (its default is
// gnu17).
std::string std_lines(const std::string& std) {
  std::string version;
  bool strict = std.compare(0, 1, "c") == 0 || std.compare(0, 3, "iso") == 0;
  if (std == "c89" || std == "c90" || std == "gnu89" || std == "gnu90" || std == "iso9899:1990")
    version = "";
  else if (std == "iso9899:199409")
    version = "199409L";
  else if (std == "c99" || std == "gnu99" || std == "c9x" || std == "gnu9x" || std == "iso9899:1999")
    version = "199901L";
  else if (std == "c11" || std == "gnu11" || std == "c1x" || std == "gnu1x" || std == "iso9899:2011")
    version = "201112L";
  else if (std == "c17" || std == "c18" || std == "gnu17" || std == "gnu18" || std == "iso9899:2017" ||
           std == "iso9899:2018")
    version = "201710L";
  else if (std == "c2x" || std == "gnu2x")
    version = "202000L";
  else
    return "";  // C++ or unknown: the default stays
  std::string s = "#undef __STDC_VERSION__\n";
  if (!version.empty()) s += "#define __STDC_VERSION__ " + version + "\n";
  if (version.empty()) s += "#undef __GNUC_STDC_INLINE__\n#define __GNUC_GNU_INLINE__ 1\n";
  if (strict) s += "#define __STRICT_ANSI__ 1\n";
  return s;
}

}  // namespace

std::string canonical_path(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec) return fs::absolute(path, ec).lexically_normal().string();
  return p.string();
}

std::vector<std::string> split_command(const std::string& c) {
  std::vector<std::string> out;
  std::string w;
  bool in_word = false;
  for (size_t i = 0; i < c.size(); ++i) {
    const char ch = c[i];
    if (ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r') {
      if (in_word) out.push_back(w);
      w.clear();
      in_word = false;
      continue;
    }
    in_word = true;
    if (ch == '\\' && i + 1 < c.size()) {
      w += c[++i];
    } else if (ch == '\'') {
      while (++i < c.size() && c[i] != '\'') w += c[i];
    } else if (ch == '"') {
      while (++i < c.size() && c[i] != '"') {
        if (c[i] == '\\' && i + 1 < c.size() && std::strchr("\"\\$`", c[i + 1])) ++i;
        w += c[i];
      }
    } else {
      w += ch;
    }
  }
  if (in_word) out.push_back(w);
  return out;
}

SourceConfig config_from_arguments(const std::vector<std::string>& a, const std::string& directory,
                                   const std::vector<std::string>& system_dirs) {
  SourceConfig c;
  c.directory = directory;
  c.listed = true;
  std::vector<std::string> dash_i, isystem, after;
  std::string std_flag;
  bool nostdinc = false;
  int optimize = 0;  // 0: -O0 or none, 1: -O1 and above, 2: -Os
  for (size_t i = 0; i < a.size(); ++i) {
    std::string v;
    const std::string& w = a[i];
    if (w.size() < 2 || w[0] != '-') continue;
    if (flag_value(a, i, "-D", v)) {
      c.defines += define_line(v);
    } else if (flag_value(a, i, "-U", v)) {
      c.defines += "#undef " + v + "\n";
    } else if (w.compare(0, 8, "-isystem") == 0 && flag_value(a, i, "-isystem", v)) {
      isystem.push_back(absolute_in(directory, v));
    } else if (w.compare(0, 7, "-iquote") == 0 && flag_value(a, i, "-iquote", v)) {
      c.quote.push_back(absolute_in(directory, v));
    } else if (w.compare(0, 10, "-idirafter") == 0 && flag_value(a, i, "-idirafter", v)) {
      after.push_back(absolute_in(directory, v));
    } else if (w == "-include" && i + 1 < a.size()) {
      c.includes.push_back(a[++i]);
    } else if (w.compare(0, 2, "-I") == 0 && flag_value(a, i, "-I", v)) {
      dash_i.push_back(absolute_in(directory, v));
    } else if (w.compare(0, 5, "-std=") == 0) {
      std_flag = w.substr(5);
    } else if (w == "-ansi") {
      std_flag = "c90";
    } else if (w == "-nostdinc") {
      nostdinc = true;
    } else if (w.compare(0, 2, "-O") == 0) {
      optimize = w == "-O0" ? 0 : w == "-Os" || w == "-Oz" ? 2 : 1;
    } else if (w == "-o" || w == "-MF" || w == "-MT" || w == "-MQ" || w == "-x" || w == "-imacros") {
      ++i;  // an argument that is no flag
    }
  }
  if (!std_flag.empty()) c.defines = std_lines(std_flag) + c.defines;
  if (optimize) {
    std::string o = "#undef __NO_INLINE__\n#define __OPTIMIZE__ 1\n";
    if (optimize == 2) o += "#define __OPTIMIZE_SIZE__ 1\n";
    c.defines = o + c.defines;
  }
  c.angled = dash_i;
  c.angled.insert(c.angled.end(), isystem.begin(), isystem.end());
  if (!nostdinc) c.angled.insert(c.angled.end(), system_dirs.begin(), system_dirs.end());
  c.angled.insert(c.angled.end(), after.begin(), after.end());
  for (std::string& inc : c.includes) inc = absolute_in(directory, inc);
  return c;
}

std::string find_database(const std::string& first_input) {
  std::error_code ec;
  if (fs::is_regular_file("compile_commands.json", ec)) return "compile_commands.json";
  if (first_input.empty()) return "";
  fs::path dir = fs::absolute(first_input, ec);
  if (!fs::is_directory(dir, ec)) dir = dir.parent_path();
  for (int up = 0; up < 256 && !dir.empty(); ++up) {
    const fs::path candidate = dir / "compile_commands.json";
    if (fs::is_regular_file(candidate, ec)) {
      // Named from the working folder when it lies below it, as the inputs are.
      const fs::path near = fs::proximate(candidate, ec);
      const std::string s = near.string();
      return !ec && s.compare(0, 2, "..") != 0 ? s : candidate.lexically_normal().string();
    }
    if (dir == dir.root_path()) break;
    dir = dir.parent_path();
  }
  return "";
}

bool read_database(const std::string& path, const std::vector<std::string>& system_dirs, CompileDatabase& db,
                   std::string& why, int& skipped, int& gone) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (ec) {
    why = "読めません";
    return false;
  }
  if (size > kMaxDatabaseBytes) {
    why = "大きすぎます(256MBまで)";
    return false;
  }
  TextReader in;
  if (!in.open(path)) {
    why = "読めません";
    return false;
  }
  nlohmann::json j = nlohmann::json::parse(in.data(), nullptr, false);
  if (j.is_discarded()) {
    why = "JSONとして正しくありません";
    return false;
  }
  if (!j.is_array()) {
    why = "項目の配列ではありません";
    return false;
  }
  db.path = path;
  std::vector<std::string> order;  // the sources, as first listed
  for (const nlohmann::json& e : j) {
    if (!e.is_object() || !e.contains("file") || !e["file"].is_string() || !e.contains("directory") ||
        !e["directory"].is_string()) {
      ++skipped;
      continue;
    }
    std::vector<std::string> args;
    if (e.contains("arguments") && e["arguments"].is_array()) {
      for (const nlohmann::json& a : e["arguments"])
        if (a.is_string()) args.push_back(a.get<std::string>());
    } else if (e.contains("command") && e["command"].is_string()) {
      args = split_command(e["command"].get<std::string>());
    } else {
      ++skipped;
      continue;
    }
    std::string dir = e["directory"].get<std::string>();
    if (!dir.empty() && dir[0] != '/')
      dir = (fs::path(path).parent_path() / dir).lexically_normal().string();
    if (!fs::is_directory(dir, ec)) ++gone;
    if (!args.empty()) args.erase(args.begin());  // the compiler
    const std::string file = canonical_path(absolute_in(dir, e["file"].get<std::string>()));
    auto [it, added] = db.by_source.try_emplace(file, config_from_arguments(args, dir, system_dirs));
    if (added) order.push_back(file);
  }
  // The flags most entries of a folder share, as one key each.
  struct Count {
    int n = 0;
    size_t first = 0;  // in `order`
  };
  std::unordered_map<std::string, std::unordered_map<std::string, Count>> by_folder;
  for (size_t i = 0; i < order.size(); ++i) {
    const std::string& file = order[i];
    const SourceConfig& c = db.by_source.at(file);
    std::string key = c.directory + '\0' + c.defines;
    for (const auto* list : {&c.quote, &c.angled, &c.includes})
      for (const std::string& d : *list) key += '\0' + d;
    Count& k = by_folder[fs::path(file).parent_path().string()][key];
    if (k.n++ == 0) k.first = i;
  }
  for (const std::string& file : order) {
    const std::string folder = fs::path(file).parent_path().string();
    if (db.typical_in_folder.count(folder)) continue;
    const Count* best = nullptr;
    for (const auto& [key, k] : by_folder[folder]) {
      (void)key;
      // The most shared; on a tie the one listed first.
      if (!best || k.n > best->n || (k.n == best->n && k.first < best->first)) best = &k;
    }
    if (best) db.typical_in_folder.emplace(folder, order[best->first]);
  }
  return true;
}

}  // namespace zelta::configured
