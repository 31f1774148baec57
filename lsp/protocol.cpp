#include "protocol.h"

#include <cctype>

namespace zelta::lsp {

void to_json(json& j, const Position& p) { j = json{{"line", p.line}, {"character", p.character}}; }
void to_json(json& j, const Range& r) { j = json{{"start", r.start}, {"end", r.end}}; }
void to_json(json& j, const Location& l) { j = json{{"uri", l.uri}, {"range", l.range}}; }

void to_json(json& j, const CallHierarchyItem& i) {
  j = json{{"name", i.name},
           {"kind", static_cast<int>(i.kind)},
           {"uri", i.uri},
           {"range", i.range},
           {"selectionRange", i.selectionRange}};
  if (!i.detail.empty()) j["detail"] = i.detail;
  if (!i.data.is_null()) j["data"] = i.data;
}
void to_json(json& j, const CallHierarchyIncomingCall& c) { j = json{{"from", c.from}, {"fromRanges", c.fromRanges}}; }
void to_json(json& j, const CallHierarchyOutgoingCall& c) { j = json{{"to", c.to}, {"fromRanges", c.fromRanges}}; }
void to_json(json& j, const SymbolInformation& s) {
  j = json{{"name", s.name}, {"kind", static_cast<int>(s.kind)}, {"location", s.location}};
  if (!s.containerName.empty()) j["containerName"] = s.containerName;
}
void to_json(json& j, const DocumentSymbol& s) {
  j = json{{"name", s.name},
           {"kind", static_cast<int>(s.kind)},
           {"range", s.range},
           {"selectionRange", s.selectionRange},
           {"children", json::array()}};
  if (!s.detail.empty()) j["detail"] = s.detail;
}
void to_json(json& j, const Hover& h) {
  j = json{{"contents", {{"kind", "markdown"}, {"value", h.markdown}}}, {"range", h.range}};
}

const json& member(const json& obj, const char* key) {
  if (!obj.is_object()) throw RequestError{ErrorCode::kInvalidParams, "parameters must be an object"};
  auto it = obj.find(key);
  if (it == obj.end()) throw RequestError{ErrorCode::kInvalidParams, std::string("missing member ") + key};
  return *it;
}

std::string string_member(const json& obj, const char* key) {
  const json& v = member(obj, key);
  if (!v.is_string()) throw RequestError{ErrorCode::kInvalidParams, std::string(key) + " must be a string"};
  return v.get<std::string>();
}

Position position_member(const json& obj, const char* key) {
  const json& v = member(obj, key);
  const auto number = [&](const char* k) {
    const json& n = member(v, k);
    if (!n.is_number_integer() || n.get<long long>() < 0 || n.get<long long>() > 0x7fffffff)
      throw RequestError{ErrorCode::kInvalidParams, std::string(k) + " must be a non-negative integer"};
    return static_cast<int>(n.get<long long>());
  };
  return Position{number("line"), number("character")};
}

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string uri_to_path(const std::string& uri) {
  static const std::string kScheme = "file://";
  if (uri.compare(0, kScheme.size(), kScheme) != 0) return {};
  std::string rest = uri.substr(kScheme.size());
  // An authority ("file://localhost/...") names this machine.
  const size_t slash = rest.find('/');
  if (slash == std::string::npos) return {};
  rest.erase(0, slash);
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && hex_value(rest[i + 1]) >= 0 && hex_value(rest[i + 2]) >= 0) {
      path += static_cast<char>(hex_value(rest[i + 1]) * 16 + hex_value(rest[i + 2]));
      i += 2;
    } else if (rest[i] == '?' || rest[i] == '#') {
      break;
    } else {
      path += rest[i];
    }
  }
  if (path.find('\0') != std::string::npos) return {};
  return path;
}

std::string path_to_uri(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri;
}

}  // namespace zelta::lsp
