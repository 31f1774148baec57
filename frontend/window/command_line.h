// The analyser's command line as the front-end builds it.
#pragma once
#include <QString>
#include <QStringList>

namespace zelta::fe {

// The nine option values the options dialog keeps (only the value 1 turns a
// switch on).
struct OptionValues {
  short optall = 0;
  short optfilename = 0;
  short optfuncall = 0;
  short optfuncone = 0;
  short optdebug = 0;
  short optexplation = 0;
  short optcallers = 0;     // the callers tree (-r)
  short optpointers = 0;    // calls through function pointers (-p)
  short optconfigured = 0;  // the configured preprocessing (-c)
  QString funcname;
};

// The switch and file part of the command: " -a", " -d -w", " -v", " -e",
// " -s", " -r", " -p", " -c", " -f " + funcname (unquoted), then each path as
// a blank and the path in double quotes.
QString buildArgline(const OptionValues& o, const QStringList& paths);

// What the analyser is really started with: the switches of buildArgline,
// " -j" (tree.json, always asked for), then the quoted paths.
QString runArgline(const OptionValues& o, const QStringList& paths);

// Splits a command text into words the way a C runtime splits its command
// line: blanks and tabs separate words, double quotes group a text with
// blanks into one word and are themselves dropped.
QStringList splitCommandLine(const QString& text);

// The paths on zelta's own command line (the words after the program name)
// as the full paths a drop delivers, relative ones taken from `cwd`.
QStringList startupDropPaths(const QStringList& arguments, const QString& cwd);

}  // namespace zelta::fe
