// Networking: multi-player sessions, players and text messages.
#pragma once

#include "runtime/net/net_session.h"
