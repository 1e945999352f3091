#include "runtime/gfx2d/display_extensions.h"

#include <algorithm>

#include "runtime/gfx2d/display_extensions_internal.h"
#include "runtime/platform/gl_context.h"

namespace korvane {

namespace {
constexpr const char* kMultitexture = "GL_ARB_multitexture";
constexpr const char* kFragmentProgram = "GL_ARB_fragment_program";
constexpr const char* kFramebufferObject = "GL_EXT_framebuffer_object";
// What tests answer in place of the driver; 0 while the driver is asked.
int32_t reportedMaxTextureSizeStandIn = 0;
bool framebufferObjectsOff = false;
}  // namespace

// One row: the name, its extension, and the two accessors of its member.
// clang-format off
#define KORVANE_ENTRY(extension, member, type)                                   \
  GlEntryPoint {                                                                 \
    #member, extension,                                                          \
        [](GlExtensionTable & t, void* address) {                                \
          t.member = reinterpret_cast<type>(address);                            \
        },                                                                       \
        [](const GlExtensionTable& t) { return reinterpret_cast<void*>(t.member); } \
  }
// clang-format on

const std::array<GlEntryPoint, kGlEntryPointCount> kGlEntryPoints = {{
    KORVANE_ENTRY(kMultitexture, glActiveTextureARB, PFNGLACTIVETEXTUREARBPROC),
    KORVANE_ENTRY(kMultitexture, glMultiTexCoord2fARB, PFNGLMULTITEXCOORD2FARBPROC),
    KORVANE_ENTRY(kMultitexture, glClientActiveTextureARB, PFNGLCLIENTACTIVETEXTUREARBPROC),
    KORVANE_ENTRY(kMultitexture, glGenBuffersARB, PFNGLGENBUFFERSARBPROC),
    KORVANE_ENTRY(kMultitexture, glBindBufferARB, PFNGLBINDBUFFERARBPROC),
    KORVANE_ENTRY(kMultitexture, glBufferDataARB, PFNGLBUFFERDATAARBPROC),
    KORVANE_ENTRY(kMultitexture, glDeleteBuffersARB, PFNGLDELETEBUFFERSARBPROC),
    KORVANE_ENTRY(kMultitexture, glMapBufferARB, PFNGLMAPBUFFERARBPROC),
    KORVANE_ENTRY(kMultitexture, glUnmapBufferARB, PFNGLUNMAPBUFFERARBPROC),
    KORVANE_ENTRY(kMultitexture, glGetBufferParameterivARB, PFNGLGETBUFFERPARAMETERIVARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glCreateProgramObjectARB, PFNGLCREATEPROGRAMOBJECTARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glDeleteObjectARB, PFNGLDELETEOBJECTARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glCreateShaderObjectARB, PFNGLCREATESHADEROBJECTARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glShaderSourceARB, PFNGLSHADERSOURCEARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glCompileShaderARB, PFNGLCOMPILESHADERARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glGetObjectParameterivARB, PFNGLGETOBJECTPARAMETERIVARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glAttachObjectARB, PFNGLATTACHOBJECTARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glGetInfoLogARB, PFNGLGETINFOLOGARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glLinkProgramARB, PFNGLLINKPROGRAMARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glUseProgramObjectARB, PFNGLUSEPROGRAMOBJECTARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glGetUniformLocationARB, PFNGLGETUNIFORMLOCATIONARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glUniform1fARB, PFNGLUNIFORM1FARBPROC),
    KORVANE_ENTRY(kFragmentProgram, glUniform1iARB, PFNGLUNIFORM1IARBPROC),
    KORVANE_ENTRY(kFramebufferObject, glBindRenderbufferEXT, PFNGLBINDRENDERBUFFEREXTPROC),
    KORVANE_ENTRY(kFramebufferObject, glDeleteRenderbuffersEXT, PFNGLDELETERENDERBUFFERSEXTPROC),
    KORVANE_ENTRY(kFramebufferObject, glGenRenderbuffersEXT, PFNGLGENRENDERBUFFERSEXTPROC),
    KORVANE_ENTRY(kFramebufferObject, glRenderbufferStorageEXT, PFNGLRENDERBUFFERSTORAGEEXTPROC),
    KORVANE_ENTRY(kFramebufferObject, glBindFramebufferEXT, PFNGLBINDFRAMEBUFFEREXTPROC),
    KORVANE_ENTRY(kFramebufferObject, glDeleteFramebuffersEXT, PFNGLDELETEFRAMEBUFFERSEXTPROC),
    KORVANE_ENTRY(kFramebufferObject, glGenFramebuffersEXT, PFNGLGENFRAMEBUFFERSEXTPROC),
    KORVANE_ENTRY(kFramebufferObject, glCheckFramebufferStatusEXT,
                  PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC),
    KORVANE_ENTRY(kFramebufferObject, glFramebufferTexture2DEXT, PFNGLFRAMEBUFFERTEXTURE2DEXTPROC),
    KORVANE_ENTRY(kFramebufferObject, glFramebufferRenderbufferEXT,
                  PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC),
}};

#undef KORVANE_ENTRY

void loadGlExtensions(GlExtensionTable& table, std::string_view extensions) {
  for (const GlEntryPoint& entry : kGlEntryPoints) {
    void* address = nullptr;
    // GLX hands out an address for any name, so only an advertised extension counts.
    const bool switchedOff =
        framebufferObjectsOff && std::string_view(entry.extension) == kFramebufferObject;
    if (!switchedOff && extensions.find(entry.extension) != std::string_view::npos) {
      address = platform::glProcAddress(entry.name);
    }
    entry.store(table, address);
  }
}

int32_t largestTextureSize() {
  GLint reported = reportedMaxTextureSizeStandIn;
  if (reported <= 0) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &reported);
  return std::clamp<int32_t>(reported, 64, kLargestRowTextureSide);
}

void setReportedMaxTextureSizeForTesting(int32_t size) { reportedMaxTextureSizeStandIn = size; }

void setFramebufferObjectsOffForTesting(bool off) { framebufferObjectsOff = off; }

bool containsExtensionWord(std::string_view extensions, std::string_view name) {
  if (name.empty()) return false;
  for (size_t at = extensions.find(name); at != std::string_view::npos;
       at = extensions.find(name, at + 1)) {
    bool startsWord = at == 0 || extensions[at - 1] == ' ';
    size_t end = at + name.size();
    bool endsWord = end == extensions.size() || extensions[end] == ' ';
    if (startsWord && endsWord) return true;
  }
  return false;
}

}  // namespace korvane
