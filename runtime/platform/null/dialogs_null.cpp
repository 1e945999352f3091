// No file chooser: every request answers "no file" at once.
#include "runtime/platform/dialogs.h"

namespace korvane::platform {

bool fileChooserAvailable() { return false; }

std::string chooseFileToOpen(const std::vector<FileFilter>&, const std::string&) { return {}; }

std::string chooseFileToSave(const std::vector<FileFilter>&, const std::string&) { return {}; }

}  // namespace korvane::platform
