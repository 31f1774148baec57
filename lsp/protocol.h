// The protocol's types as plain structs, turned into JSON by nlohmann-json.
// Only what the server answers with is here; requests are read from their
// JSON by the handlers.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zelta::lsp {

using json = nlohmann::json;

// JSON-RPC and protocol error codes.
enum class ErrorCode : int {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
  kRequestFailed = -32803,
  kContentModified = -32801,
  kRequestCancelled = -32800,
};

// Thrown by a handler: the request is answered with this error.
struct RequestError {
  ErrorCode code;
  std::string message;
};

struct Position {
  int line = 0;
  int character = 0;  // UTF-16 code units
};
struct Range {
  Position start, end;
};
struct Location {
  std::string uri;
  Range range;
};

enum class SymbolKind : int { kFunction = 12 };

struct CallHierarchyItem {
  std::string name;
  SymbolKind kind = SymbolKind::kFunction;
  std::string detail;
  std::string uri;
  Range range;
  Range selectionRange;
  json data;
};
struct CallHierarchyIncomingCall {
  CallHierarchyItem from;
  std::vector<Range> fromRanges;
};
struct CallHierarchyOutgoingCall {
  CallHierarchyItem to;
  std::vector<Range> fromRanges;
};
struct SymbolInformation {
  std::string name;
  SymbolKind kind = SymbolKind::kFunction;
  Location location;
  std::string containerName;
};
struct DocumentSymbol {
  std::string name;
  std::string detail;
  SymbolKind kind = SymbolKind::kFunction;
  Range range;
  Range selectionRange;
};
struct Hover {
  std::string markdown;
  Range range;
};

void to_json(json& j, const Position& p);
void to_json(json& j, const Range& r);
void to_json(json& j, const Location& l);
void to_json(json& j, const CallHierarchyItem& i);
void to_json(json& j, const CallHierarchyIncomingCall& c);
void to_json(json& j, const CallHierarchyOutgoingCall& c);
void to_json(json& j, const SymbolInformation& s);
void to_json(json& j, const DocumentSymbol& s);
void to_json(json& j, const Hover& h);

// Reading request parameters: a missing or mistyped member is an
// InvalidParams error, never an exception of the JSON library.
const json& member(const json& obj, const char* key);
std::string string_member(const json& obj, const char* key);
Position position_member(const json& obj, const char* key);

// file:// URIs and local paths (percent-encoding both ways); an empty
// result when the URI is no file URI.
std::string uri_to_path(const std::string& uri);
std::string path_to_uri(const std::string& path);

}  // namespace zelta::lsp
