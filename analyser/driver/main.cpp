#include <clocale>
#include <string>
#include <vector>

#include "driver/run_sequence.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  std::vector<std::string> words(argv, argv + argc);
  zelta::Console console;
  return zelta::RunConzeltaToExit(console, std::move(words));
}
