// The runtime spine: settings, the error stop and program end, start-up, the frame loop,
// window events and the desktop services.
#pragma once

#include "runtime/core/command_line.h"
#include "runtime/core/desktop_services.h"
#include "runtime/core/frame_loop.h"
#include "runtime/core/program_end.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/core/window_events.h"
