// A game's main that only uses the runtime through the umbrella header: it exits with 0 when the
// runtime's text and number conversion answer as they do inside the project.
#include <cstdio>

#include "runtime/korvane.h"

int main() {
  const korvane::RtString joined = korvane::RtString("12") + korvane::RtString("34");
  const double number = korvane::toNumber(joined);
  std::printf("embedded runtime: \"%s\" -> %g\n", korvane::textOf(joined), number);
  return number == 1234.0 ? 0 : 1;
}
