#include "prepare/if_evaluation.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "prepare/readers.h"
#include "run/run.h"

namespace zelta {

namespace {

bool is_op(char c) { return c == '>' || c == '=' || c == '<' || c == '!' || c == '&' || c == '|'; }

int to_int(const std::string& s) { return static_cast<int>(std::strtol(s.c_str(), nullptr, 10)); }

int operand(MacroTable& macros, const std::string& text) {
  if (MacroRec* r = macros.maclookup(text)) return to_int(r->body);
  if (!text.empty() && ((text[0] >= '0' && text[0] <= '9') || text[0] == '-')) return to_int(text);
  return 0;
}

// Splits the text into slots: blanks and tabs separate (empty slots count),
// an operator character starts a slot of its own after text, and the first
// operand character after an operator starts the next one.
std::vector<std::string> split_slots(std::string_view line) {
  std::vector<std::string> slots(1);
  bool after_op = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\n') break;
    if (c == ' ' || c == '\t') {
      slots.emplace_back();
      after_op = false;
      continue;
    }
    if (is_op(c) && !slots.back().empty() && !(i > 0 && is_op(line[i - 1]))) {
      slots.emplace_back(1, c);
      after_op = true;
      continue;
    }
    if (after_op && (is_name_char(static_cast<unsigned char>(c)) || c == '-')) {
      slots.emplace_back(1, c);
      after_op = false;
      continue;
    }
    slots.back().push_back(c);
  }
  return slots;
}

}  // namespace

bool if_condition(MacroTable& macros, std::string_view line) {
  std::vector<std::string> slots = split_slots(line);
  const size_t n = slots.size();
  if (n >= 2) {
    slots.resize(n + 3);
    for (size_t left = 0; left + 2 <= n; left += 2) {
      const std::string& op = slots[left + 1];
      std::string& right = slots[left + 2];
      if (left > 0 && (op.empty() || right.empty())) {
        slots[n - 1] = slots[left];
        break;
      }
      int a = operand(macros, slots[left]);
      int b = operand(macros, right);
      char o1 = op.empty() ? '\0' : op[0];
      char o2 = op.size() > 1 ? op[1] : '\0';
      int result = -1;  // -1: no result, the right slot keeps its text
      switch (o1) {
        case '!':
          result = a != b;
          break;
        case '=':
          result = a == b;
          break;
        case '<':
          result = o2 == '\0' ? a < b : o2 == '=' ? a <= b : -1;
          break;
        case '>':
          result = o2 == '\0' ? a > b : o2 == '=' ? a >= b : -1;
          break;
        case '&':
          if (o2 == '&') {
            result = a != 0 && b != 0;
            break;
          }
          [[fallthrough]];
        case '|':
          if (o1 == '|' && o2 == '|') {
            result = a != 0 || b != 0;
            break;
          }
          [[fallthrough]];
        default:
          result = (a >= 48 && a <= 57) ? -1 : a != 0;
          break;
      }
      if (result >= 0) right.assign(1, result ? '1' : '0');
    }
  }
  return slots[n - 1] == "1";
}

bool evalif(Run& run) {
  std::string line;
  if (SrcStream* s = run.rd.top()) read_logical_line(s->text, line);
  return if_condition(run.pp.macrotab, line);
}

}  // namespace zelta
