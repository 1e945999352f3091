// The GL extension entry points the runtime uses, loaded by name when the display is created.
// An entry point stays null when its extension is not advertised; users test for null.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <array>
#include <cstddef>
#include <string_view>

namespace korvane {

struct GlExtensionTable {
  // GL_ARB_multitexture (and the buffer objects loaded with it)
  PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
  PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB = nullptr;
  PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB = nullptr;
  PFNGLGENBUFFERSARBPROC glGenBuffersARB = nullptr;
  PFNGLBINDBUFFERARBPROC glBindBufferARB = nullptr;
  PFNGLBUFFERDATAARBPROC glBufferDataARB = nullptr;
  PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB = nullptr;
  PFNGLMAPBUFFERARBPROC glMapBufferARB = nullptr;
  PFNGLUNMAPBUFFERARBPROC glUnmapBufferARB = nullptr;
  PFNGLGETBUFFERPARAMETERIVARBPROC glGetBufferParameterivARB = nullptr;
  // GL_ARB_fragment_program (the shader objects are loaded with it)
  PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB = nullptr;
  PFNGLDELETEOBJECTARBPROC glDeleteObjectARB = nullptr;
  PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB = nullptr;
  PFNGLSHADERSOURCEARBPROC glShaderSourceARB = nullptr;
  PFNGLCOMPILESHADERARBPROC glCompileShaderARB = nullptr;
  PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB = nullptr;
  PFNGLATTACHOBJECTARBPROC glAttachObjectARB = nullptr;
  PFNGLGETINFOLOGARBPROC glGetInfoLogARB = nullptr;
  PFNGLLINKPROGRAMARBPROC glLinkProgramARB = nullptr;
  PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB = nullptr;
  PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB = nullptr;
  PFNGLUNIFORM1FARBPROC glUniform1fARB = nullptr;
  PFNGLUNIFORM1IARBPROC glUniform1iARB = nullptr;
  // GL_EXT_framebuffer_object
  PFNGLBINDRENDERBUFFEREXTPROC glBindRenderbufferEXT = nullptr;
  PFNGLDELETERENDERBUFFERSEXTPROC glDeleteRenderbuffersEXT = nullptr;
  PFNGLGENRENDERBUFFERSEXTPROC glGenRenderbuffersEXT = nullptr;
  PFNGLRENDERBUFFERSTORAGEEXTPROC glRenderbufferStorageEXT = nullptr;
  PFNGLBINDFRAMEBUFFEREXTPROC glBindFramebufferEXT = nullptr;
  PFNGLDELETEFRAMEBUFFERSEXTPROC glDeleteFramebuffersEXT = nullptr;
  PFNGLGENFRAMEBUFFERSEXTPROC glGenFramebuffersEXT = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC glCheckFramebufferStatusEXT = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DEXTPROC glFramebufferTexture2DEXT = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC glFramebufferRenderbufferEXT = nullptr;
};

// One row per entry point, in loading order: the extension whose presence in the GL extension
// string (a plain substring search) allows the load, and where the address goes.
struct GlEntryPoint {
  const char* name;
  const char* extension;
  void (*store)(GlExtensionTable& table, void* address);
  void* (*read)(const GlExtensionTable& table);
};
inline constexpr size_t kGlEntryPointCount = 33;
extern const std::array<GlEntryPoint, kGlEntryPointCount> kGlEntryPoints;

// Loads every entry point of the table whose extension `extensions` contains; the others are
// set to null. Needs a current context.
void loadGlExtensions(GlExtensionTable& table, std::string_view extensions);

// Whole-word search: `name` at the start of `extensions` or after a space, followed by a space
// or the end.
bool containsExtensionWord(std::string_view extensions, std::string_view name);

}  // namespace korvane
