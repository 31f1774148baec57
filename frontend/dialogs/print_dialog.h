// The print dialog: a printer, and what to print, all of the result or the
// selection when there is one. No page range is offered.
#pragma once

class QWidget;
class QPrinter;

namespace zelta::fe {

// Shows the dialog; false when it was cancelled. `printer`'s print range says
// afterwards whether the selection was chosen.
bool askToPrint(QWidget* parent, QPrinter* printer, bool hasSelection);

}  // namespace zelta::fe
