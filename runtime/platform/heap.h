// Settings of the C library's heap for the whole process.
#pragma once

namespace korvane::platform {

// Makes the C heap keep memory freed at its top instead of handing it back to the system at
// once. A software GL driver allocates its per-frame working memory (several MiB at 640 by 480)
// and frees it at the end of each frame; handed back, it is faulted in again page by page on the
// next frame, which costs more than drawing the frame. Returns true when the settings were taken,
// false where the C library has no such settings (nothing changes then). Call it once, early in
// start-up, from the main thread; calling it again is harmless.
bool keepFreedHeapTop();

}  // namespace korvane::platform
