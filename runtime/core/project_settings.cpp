#include "runtime/core/project_settings.h"

namespace korvane {

ProjectSettings& projectSettings() {
  static ProjectSettings settings;
  return settings;
}

}  // namespace korvane
