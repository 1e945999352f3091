// The desktop's file chooser run as a child program (zenity, else kdialog), given its arguments
// one by one: no shell ever sees a filter or a path.
#include <string>
#include <vector>

#include "runtime/platform/dialogs.h"
#include "runtime/platform/process.h"

namespace korvane::platform {

namespace {

// More than any path the runtime can take; the rest of a runaway answer is dropped.
constexpr size_t kAnswerLimit = 64 * 1024;

constexpr const char* kOpenTitle = "Open";
constexpr const char* kSaveTitle = "Save As";

enum class Chooser { kNone, kZenity, kKdialog };

Chooser findChooser() {
  if (!findProgram("zenity").empty()) return Chooser::kZenity;
  if (!findProgram("kdialog").empty()) return Chooser::kKdialog;
  return Chooser::kNone;
}

std::string joinedPatterns(const FileFilter& filter) {
  std::string joined;
  for (const std::string& pattern : filter.patterns) {
    if (pattern.empty()) continue;
    if (!joined.empty()) joined += ' ';
    joined += pattern;
  }
  return joined;
}

std::vector<std::string> zenityArguments(bool save, const std::vector<FileFilter>& filters,
                                         const std::string& startDirectory) {
  std::vector<std::string> argv = {"zenity", "--file-selection"};
  argv.push_back(std::string("--title=") + (save ? kSaveTitle : kOpenTitle));
  if (save) argv.push_back("--save");
  // A trailing "/" makes the chooser open the folder instead of proposing it as the name.
  if (!startDirectory.empty()) {
    argv.push_back("--filename=" + startDirectory + (startDirectory.back() == '/' ? "" : "/"));
  }
  for (const FileFilter& filter : filters) {
    const std::string patterns = joinedPatterns(filter);
    if (patterns.empty()) continue;
    argv.push_back("--file-filter=" + filter.label + " | " + patterns);
  }
  return argv;
}

std::vector<std::string> kdialogArguments(bool save, const std::vector<FileFilter>& filters,
                                          const std::string& startDirectory) {
  std::vector<std::string> argv = {"kdialog", "--title", save ? kSaveTitle : kOpenTitle};
  argv.push_back(save ? "--getsavefilename" : "--getopenfilename");
  argv.push_back(startDirectory.empty() ? "." : startDirectory);
  std::string filterText;
  for (const FileFilter& filter : filters) {
    const std::string patterns = joinedPatterns(filter);
    if (patterns.empty()) continue;
    if (!filterText.empty()) filterText += '\n';
    filterText += patterns + "|" + filter.label;
  }
  if (!filterText.empty()) argv.push_back(filterText);
  return argv;
}

std::string choose(bool save, const std::vector<FileFilter>& filters,
                   const std::string& startDirectory) {
  std::vector<std::string> argv;
  switch (findChooser()) {
    case Chooser::kZenity:
      argv = zenityArguments(save, filters, startDirectory);
      break;
    case Chooser::kKdialog:
      argv = kdialogArguments(save, filters, startDirectory);
      break;
    case Chooser::kNone:
      return {};
  }
  std::string answer;
  if (runForOutput(argv, answer, kAnswerLimit) != 0) return {};
  if (!answer.empty() && answer.back() == '\n') answer.pop_back();
  return answer;
}

}  // namespace

bool fileChooserAvailable() { return findChooser() != Chooser::kNone; }

std::string chooseFileToOpen(const std::vector<FileFilter>& filters,
                             const std::string& startDirectory) {
  return choose(false, filters, startDirectory);
}

std::string chooseFileToSave(const std::vector<FileFilter>& filters,
                             const std::string& startDirectory) {
  return choose(true, filters, startDirectory);
}

}  // namespace korvane::platform
