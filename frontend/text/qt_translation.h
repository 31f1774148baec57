// Qt's own texts (the print, file and message dialogs, "OK", "Cancel") in
// Japanese, to match the rest of the program whatever the user's locale.
#pragma once

namespace zelta::fe {

// Installs Qt's Japanese translations into the running application; false
// when none could be loaded (Qt's texts then stay English).
bool installQtJapanese();

}  // namespace zelta::fe
