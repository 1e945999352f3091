// The desktop's file chooser, asked for a file to open or a name to save under. It runs as a
// child program (zenity, else kdialog, found in PATH) titled "Open" or "Save As"; where none
// exists, every request answers "no file", so the service has one code path.
// Main thread; a request blocks until the user answers.
#pragma once

#include <string>
#include <vector>

namespace korvane::platform {

// One entry of the chooser's type list: a label ("Pictures") and its name patterns ("*.bmp").
struct FileFilter {
  std::string label;
  std::vector<std::string> patterns;
};

// True when a chooser can be shown on this desktop.
bool fileChooserAvailable();

// Lets the user pick an existing file, starting in `startDirectory` (empty: the chooser's own
// choice) and showing the files that match `filters` (none: every file). Returns the chosen
// path (without the chooser's line end), or an empty string for "no file": no chooser, the
// user cancelled, or it failed (any exit code but 0).
std::string chooseFileToOpen(const std::vector<FileFilter>& filters,
                             const std::string& startDirectory);

// The same for a file to be written; the path need not exist yet.
std::string chooseFileToSave(const std::vector<FileFilter>& filters,
                             const std::string& startDirectory);

}  // namespace korvane::platform
