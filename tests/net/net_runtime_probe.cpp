// A program on the whole runtime that joins a session, makes one player and ends through the
// program end, whose shutdown must say Leave for its players.
//   net_runtime_probe PORT
#include <cstdio>
#include <cstdlib>

#include "runtime/core/program_end.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/net/net_session.h"

int main(int argc, char** argv) {
  using namespace korvane;
  if (argc < 2) return 2;
  if (startRuntime(nullptr, nullptr, "", kShowHide, "Ondrel") != 0) endAfterDisplayFailure();
  std::printf("session %d\n", netSession() != nullptr ? 1 : 0);
  std::printf("joined %d\n", static_cast<int>(joinSession("127.0.0.1", RtString(argv[1]))));
  std::printf("id %s\n", textOf(createPlayer("probe")));
  std::fflush(stdout);
  endProgram();
}
