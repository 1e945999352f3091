// Downloading one document over HTTP/1.0 into a local file.
#pragma once

#include "runtime/values/rt_string.h"

namespace korvane {

// Sends "GET path HTTP/1.0" with a Host line to `host`:`port` (port truncated toward zero and
// taken as 16 bits; a "name:port" host is looked up by its name) and waits until the server closes
// the connection. The reply's body, without its header, replaces `targetFile` ("\" or "/"
// separators) only when the server ended the reply normally: 1.0 then. 0.0 for an unknown host,
// a refused connection, a failed send, a broken or stalled transfer (30 s without a byte) or a
// target that cannot be written; the old target, if any, is then left as it was. Blocks the
// calling thread; uses no state of the network sessions.
double httpGetToFile(const RtString& host, const RtString& path, double port,
                     const RtString& targetFile);

}  // namespace korvane
