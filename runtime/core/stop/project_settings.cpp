#include "runtime/core/stop/project_settings.h"

namespace korvane {

ProjectSettings& projectSettings() {
  static ProjectSettings settings;
  return settings;
}

std::string& commandLine() {
  static std::string text;
  return text;
}

}  // namespace korvane
