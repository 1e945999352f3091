// A game written the way the entry header shows: it opens its window, runs a few frames, and
// prints one line that the install test looks for (every way out of the runtime exits with 0,
// so the line is what tells a run that got this far).
#include <cstdio>

#include "runtime/korvane_main.h"

namespace {

void game() {
  const korvane::RtString joined = korvane::RtString("12") + korvane::RtString("34");
  for (int frame = 0; frame < 3; ++frame) korvane::presentFrame();
  std::printf("installed game: %g after 3 frames\n", korvane::toNumber(joined));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  korvane::ProgramEntry entry;
  entry.windowTitle = "Installed game";
  entry.settings.screenWidth = 320;
  entry.settings.screenHeight = 200;
  korvane::runMainProgram(argc, argv, entry, game);
}
