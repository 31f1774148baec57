// zelta.ini: default switches and the system-header directory.
#pragma once

namespace zelta {

struct Run;

// Reads ./zelta.ini into the run's flags and include_path; a file without
// exactly two setting lines ends the run.
void ReadSettingsFile(Run& run);

// Scans an opt= value for switch letters (the armed scanner).
void ScanOptValue(Run& run, const char* value);

}  // namespace zelta
