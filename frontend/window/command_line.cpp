#include "command_line.h"

#include <QDir>

namespace zelta::fe {

namespace {

QString switches(const OptionValues& o) {
  QString a;
  if (o.optall == 1) a += QStringLiteral(" -a");
  if (o.optdebug == 1) a += QStringLiteral(" -d -w");
  if (o.optfilename == 1) a += QStringLiteral(" -v");
  if (o.optexplation == 1) a += QStringLiteral(" -e");
  if (o.optfuncall == 1) a += QStringLiteral(" -s");
  if (o.optcallers == 1) a += QStringLiteral(" -r");
  if (o.optpointers == 1) a += QStringLiteral(" -p");
  if (o.optconfigured == 1) a += QStringLiteral(" -c");
  if (o.optfuncone == 1) a += QStringLiteral(" -f ") + o.funcname;
  return a;
}

QString quoted(const QStringList& paths) {
  QString a;
  for (const QString& p : paths) a += QStringLiteral(" \"") + p + QLatin1Char('"');
  return a;
}

}  // namespace

QString buildArgline(const OptionValues& o, const QStringList& paths) { return switches(o) + quoted(paths); }

QString runArgline(const OptionValues& o, const QStringList& paths) {
  return switches(o) + QStringLiteral(" -j") + quoted(paths);
}

QStringList splitCommandLine(const QString& text) {
  QStringList words;
  QString word;
  bool inWord = false;
  bool quoted = false;
  for (QChar c : text) {
    if (c == QLatin1Char('"')) {
      quoted = !quoted;
      inWord = true;  // "" is an empty word of its own
    } else if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
      if (inWord) words << word;
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words << word;
  return words;
}

QStringList startupDropPaths(const QStringList& arguments, const QString& cwd) {
  QStringList paths;
  const QDir base(cwd);
  for (qsizetype i = 1; i < arguments.size(); ++i)
    if (!arguments.at(i).isEmpty()) paths << QDir::cleanPath(base.absoluteFilePath(arguments.at(i)));
  return paths;
}

}  // namespace zelta::fe
