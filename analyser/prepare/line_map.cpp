#include "prepare/line_map.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "run/reader_state.h"

namespace zelta {

size_t CountNewlines(const char* p, size_t n) {
  size_t count = 0;
  const char* end = p + n;
  while (p < end) {
    const void* hit = std::memchr(p, '\n', static_cast<size_t>(end - p));
    if (!hit) break;
    ++count;
    p = static_cast<const char*>(hit) + 1;
  }
  return count;
}

void LineMap::mark(size_t offset, size_t newlines, SourceLoc loc) {
  // A cleaned text of 4 GB is beyond what the readers hold; its tail keeps
  // the last location rather than overflowing the entry.
  if (offset > UINT32_MAX || newlines > UINT32_MAX) return;
  if (!entries_.empty()) {
    Entry& e = entries_.back();
    if (e.file == loc.file &&
        static_cast<long long>(e.line) + static_cast<long long>(newlines - e.newlines) == loc.line)
      return;
    if (e.offset == offset) {
      e = Entry{e.offset, e.newlines, loc.file, loc.line};
      return;
    }
  }
  entries_.push_back(
      Entry{static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(newlines), loc.file, loc.line});
}

SourceLoc LineMap::at(size_t offset, size_t newlines) const {
  auto it = std::upper_bound(entries_.begin(), entries_.end(), offset,
                             [](size_t off, const Entry& e) { return off < e.offset; });
  if (it == entries_.begin()) return {};
  const Entry& e = *std::prev(it);
  const long long line = static_cast<long long>(e.line) + static_cast<long long>(newlines) - e.newlines;
  return {e.file, line > 0 && line <= INT_MAX ? static_cast<int>(line) : e.line};
}

SourceLoc LineCursor::at(size_t offset) {
  if (!map_) return {};
  offset = std::min(offset, text_.size());
  if (offset >= pos_)
    newlines_ += CountNewlines(text_.data() + pos_, offset - pos_);
  else
    newlines_ -= CountNewlines(text_.data() + offset, pos_ - offset);
  pos_ = offset;
  return map_->at(offset, newlines_);
}

int source_line(SrcStream& s, size_t pos) {
  const std::string& d = s.text.data();
  pos = std::min(pos, d.size());
  if (pos >= s.counted)
    s.line += static_cast<int>(CountNewlines(d.data() + s.counted, pos - s.counted));
  else
    s.line -= static_cast<int>(CountNewlines(d.data() + pos, s.counted - pos));
  s.counted = pos;
  return s.line;
}

SourceLoc LineTracker::located(const Position& p) const {
  SrcStream* s = rd_.top();
  // A stream that has been closed since is never looked at.
  if (!s || s != p.stream) return here();
  // The token's last byte: a token holds no line end except "\n" itself,
  // which belongs to the line it ends.
  return {s->file, source_line(*s, p.end > 0 ? p.end - 1 : 0)};
}

SourceLoc LineTracker::here() const {
  const Position p = position();
  if (!p.stream) return {};
  return located(p);
}

void LineTracker::mark_token(size_t at) {
  moved_ = false;
  const SourceLoc loc = here();
  if (spans_.empty() || !(spans_.back().second == loc)) spans_.emplace_back(at, loc);
}

void LineTracker::line_expanding(const std::string& line) {
  if (!map_) return;
  read_ = line;
  expanding_ = true;
}

void LineTracker::more_token(const std::string& word) {
  if (!map_ || !expanding_) return;
  if (!blank(word)) {
    const SourceLoc loc = here();
    if (spans_.empty() || !(spans_.back().second == loc)) spans_.emplace_back(read_.size(), loc);
  }
  read_ += word;
  moved_ = true;  // the body goes on after the lines read here
}

void LineTracker::line_written(const std::string& line) {
  if (!map_) return;
  if (expanding_ && line != read_) {
    // Expansion rewrote the middle of the line: the text before the first
    // change and after the last keeps its place; what lies between was made
    // from the macro call and stands where the call began.
    const std::string& was = read_;
    size_t p = 0;
    while (p < was.size() && p < line.size() && was[p] == line[p]) ++p;
    size_t s = 0;
    while (s < was.size() - p && s < line.size() - p && was[was.size() - 1 - s] == line[line.size() - 1 - s]) ++s;
    const auto loc_at = [&](size_t x) {
      SourceLoc l = spans_.empty() ? SourceLoc{} : spans_.front().second;
      for (const auto& sp : spans_) {
        if (sp.first > x) break;
        l = sp.second;
      }
      return l;
    };
    std::vector<std::pair<size_t, SourceLoc>> out;
    for (const auto& sp : spans_)
      if (sp.first < p) out.push_back(sp);
    const SourceLoc call = loc_at(p);
    out.emplace_back(p, call);
    const size_t was_tail = was.size() - s, line_tail = line.size() - s;
    // A macro body of several lines brings line ends of its own: each of
    // its lines stands where the call does.
    for (size_t q = p; q + 1 < line_tail; ++q)
      if (line[q] == '\n') out.emplace_back(q + 1, call);
    if (s > 0) {
      out.emplace_back(line_tail, loc_at(was_tail));
      for (const auto& sp : spans_)
        if (sp.first > was_tail) out.emplace_back(sp.first - was_tail + line_tail, sp.second);
    }
    spans_.swap(out);
  }
  expanding_ = false;
  size_t counted = 0, nl = newlines_;
  for (const auto& [off, loc] : spans_) {
    const size_t o = std::min(off, line.size());
    nl += CountNewlines(line.data() + counted, o - counted);
    counted = o;
    map_->mark(offset_ + o, nl, loc);
  }
  spans_.clear();
}

}  // namespace zelta
