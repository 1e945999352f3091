// The display's GL version and extension strings, for the layers that may not call GL.
#pragma once

namespace korvane {

// GL_VERSION and GL_EXTENSIONS of the display's context, or nullptr for both when there is no
// display with a ready context. The texts stay valid while the context lives. Main thread.
void currentGlStrings(const char** version, const char** extensions);

}  // namespace korvane
