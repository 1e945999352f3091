#include "runtime/core/stop/upward_calls.h"

namespace korvane {

namespace {
UpwardCalls registered;
}  // namespace

void registerUpwardCalls(const UpwardCalls& calls) { registered = calls; }

const UpwardCalls& upwardCalls() { return registered; }

}  // namespace korvane
