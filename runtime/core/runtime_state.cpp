#include "runtime/core/runtime_state.h"

namespace korvane {

RuntimeState& runtimeState() {
  static RuntimeState state;
  return state;
}

}  // namespace korvane
