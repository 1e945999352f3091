// Which OpenGL version or extension provides each entry point, so entry-point questions are
// answered from the context's version and extension strings: under GLX a lookup by name
// answers for any name at all.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvane {

struct GlEntryPointRow {
  std::string_view name;      // "glActiveTexture"
  std::string_view provider;  // "GL_VERSION_1_3" or an extension name, "GL_ARB_multitexture"
};

// Sorted by name, then provider; generated from the GL registry (tools/gl-entry-points).
extern const GlEntryPointRow kGlProviderTable[];
extern const size_t kGlProviderRowCount;

// The version a provider "GL_VERSION_m_n" stands for as 10 * m + n; -1 for an extension.
int glProviderVersion(std::string_view provider);

// The version at the start of a GL_VERSION string ("4.5 (Compatibility Profile) Mesa ...") as
// 10 * major + minor; 0 when it does not start with one.
int glContextVersion(const char* versionString);

// True when `name` is a whole word of the space-separated extension string.
bool hasGlExtensionWord(const char* extensions, std::string_view name);

// True when a context of that version and extension string offers the entry point `name` (in
// the letter case given) to lookup by name: a newer version than 1.1 or an advertised extension
// provides it. The names of GL 1.0 and 1.1 themselves never count, nor do unknown names, nor
// anything without a context (null strings).
bool glEntryPointOffered(std::string_view name, const char* versionString, const char* extensions);

}  // namespace korvane
