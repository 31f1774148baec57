// The printed result: the tree's text laid out on pages in the result face at
// a size in points, so that it reads the same on any printer whatever its
// resolution. Takes the text, not a view, so that any view of the result can
// print through it.
#pragma once
#include <QFont>
#include <QString>

class QPrinter;

namespace zelta::fe {

// The result face's size on paper.
inline constexpr qreal kPrintPointSize = 11.25;

// The margins a print starts from; the print dialog may change them.
void setDefaultPrintMargins(QPrinter& printer);

// Prints `text` ("\n" between lines) on `printer`'s pages in `face` at
// kPrintPointSize. The text is never shrunk to fit: a line wider than the
// page runs on below, indented past its ruling, whose vertical lines carry on
// through the continuation. Each page carries its number in the footer.
// False when the printer cannot be opened or reports an error.
bool printResultText(QPrinter& printer, const QString& text, const QFont& face);

}  // namespace zelta::fe
