// The desktop's file chooser, asked for a file to open or a name to save under.
// Where no chooser exists, every request answers "no file", so the service has one code path.
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
// path, or an empty string for "no file": no chooser, the user cancelled, or it failed.
std::string chooseFileToOpen(const std::vector<FileFilter>& filters,
                             const std::string& startDirectory);

// The same for a file to be written; the path need not exist yet.
std::string chooseFileToSave(const std::vector<FileFilter>& filters,
                             const std::string& startDirectory);

}  // namespace korvane::platform
