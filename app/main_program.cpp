// Until the fluid program lands: an empty scene presented frame after frame, so the window
// opens, paces, pauses and closes like the real program.
#include "app/main_program.h"

#include "runtime/core/frame_loop.h"

namespace ondrel {

void mainProgram() {
  for (;;) korvane::presentFrame();
}

}  // namespace ondrel
