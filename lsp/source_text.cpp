#include "source_text.h"

#include <fstream>
#include <sstream>

namespace zelta::lsp {

namespace {

bool name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// UTF-16 units of the UTF-8 sequence starting with byte c (invalid bytes count one).
int utf16_units(unsigned char c) { return c >= 0xF0 && c < 0xF8 ? 2 : (c & 0xC0) == 0x80 ? 0 : 1; }

}  // namespace

LineText::LineText(std::string text) : text_(std::move(text)) {
  starts_.push_back(0);
  for (size_t i = 0; i < text_.size(); ++i)
    if (text_[i] == '\n') starts_.push_back(i + 1);
  if (starts_.size() > 1 && starts_.back() == text_.size()) starts_.pop_back();
}

std::string_view LineText::line(int n) const {
  if (n < 0 || n >= lines()) return {};
  const size_t b = starts_[static_cast<size_t>(n)];
  size_t e = static_cast<size_t>(n) + 1 < starts_.size() ? starts_[static_cast<size_t>(n) + 1] : text_.size();
  if (e > b && text_[e - 1] == '\n') --e;
  if (e > b && text_[e - 1] == '\r') --e;
  return std::string_view(text_).substr(b, e - b);
}

int LineText::byte_of(int n, int character) const {
  const std::string_view l = line(n);
  int units = 0;
  for (size_t i = 0; i < l.size(); ++i) {
    if (units >= character && utf16_units(static_cast<unsigned char>(l[i])) != 0) return static_cast<int>(i);
    units += utf16_units(static_cast<unsigned char>(l[i]));
  }
  return units >= character ? static_cast<int>(l.size()) : -1;
}

int LineText::column_of(int n, int byte) const {
  const std::string_view l = line(n);
  int units = 0;
  for (size_t i = 0; i < l.size() && static_cast<int>(i) < byte; ++i)
    units += utf16_units(static_cast<unsigned char>(l[i]));
  return units;
}

Range LineText::name_range(int n, std::string_view name, int nth) const {
  const std::string_view l = line(n);
  size_t at = 0;
  int seen = 0;
  std::optional<size_t> first;
  while (!name.empty() && (at = l.find(name, at)) != std::string_view::npos) {
    const bool whole =
        (at == 0 || !name_char(l[at - 1])) && (at + name.size() == l.size() || !name_char(l[at + name.size()]));
    if (whole) {
      if (!first) first = at;
      if (seen++ == nth) {
        first = at;
        break;
      }
    }
    at += name.size();
  }
  if (!first) return Range{{n, 0}, {n, 0}};
  const int b = static_cast<int>(*first);
  return Range{{n, column_of(n, b)}, {n, column_of(n, b + static_cast<int>(name.size()))}};
}

std::string LineText::word_at(Position p, Range* range) const {
  const std::string_view l = line(p.line);
  const int at = byte_of(p.line, p.character);
  if (at < 0) return {};
  size_t b = static_cast<size_t>(at), e = static_cast<size_t>(at);
  while (e < l.size() && name_char(l[e])) ++e;
  while (b > 0 && name_char(l[b - 1])) --b;
  if (b == e || (l[b] >= '0' && l[b] <= '9')) return {};
  if (range)
    *range = Range{{p.line, column_of(p.line, static_cast<int>(b))}, {p.line, column_of(p.line, static_cast<int>(e))}};
  return std::string(l.substr(b, e - b));
}

int LineText::body_end(int line) const {
  if (line < 0 || line >= lines()) return line;
  int depth = 0, n = line;
  bool opened = false;
  enum { kCode, kBlock, kString, kChar } state = kCode;
  for (size_t i = starts_[static_cast<size_t>(line)]; i < text_.size(); ++i) {
    const char c = text_[i];
    const char d = i + 1 < text_.size() ? text_[i + 1] : '\0';
    if (c == '\n') {
      ++n;
      if (state == kString || state == kChar) state = kCode;
      continue;
    }
    switch (state) {
      case kBlock:
        if (c == '*' && d == '/') {
          state = kCode;
          ++i;
        }
        break;
      case kString:
      case kChar:
        if (c == '\\') {
          ++i;
          if (d == '\n') ++n;
        } else if (c == (state == kString ? '"' : '\'')) {
          state = kCode;
        }
        break;
      case kCode:
        if (c == '/' && d == '*') {
          state = kBlock;
          ++i;
        } else if (c == '/' && d == '/') {
          while (i + 1 < text_.size() && text_[i + 1] != '\n') ++i;
        } else if (c == '"') {
          state = kString;
        } else if (c == '\'') {
          state = kChar;
        } else if (c == ';' && !opened) {
          return line;  // a declaration, no body
        } else if (c == '{') {
          ++depth;
          opened = true;
        } else if (c == '}' && opened && --depth == 0) {
          return n;
        }
        break;
    }
  }
  return line;
}

const LineText& SourceTexts::get(const std::string& path) {
  auto it = cache_.find(path);
  if (it != cache_.end()) return *it->second;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  if (in) s << in.rdbuf();
  auto [at, added] = cache_.emplace(path, std::make_shared<LineText>(s.str()));
  return *at->second;
}

}  // namespace zelta::lsp
