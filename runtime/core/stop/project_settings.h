// The settings the program was built with: written once by the entry, read by the runtime.
#pragma once

#include <cstdint>
#include <string>

namespace korvane {

struct ProjectSettings {
  int32_t screenWidth = 640;
  int32_t screenHeight = 480;
  int32_t fullscreen = 0;
  int32_t framesPerSecond = 60;
  int32_t multisampleCount = 0;
  int32_t captureMouse = 1;
  int32_t debugMode = 0;
};

// The process-wide record; the entry writes it before start-up, everything else only reads it.
ProjectSettings& projectSettings();

// The program's command-line arguments (everything after its name), kept for the runtime
// library's command-line query; the entry assigns it first thing.
std::string& commandLine();

}  // namespace korvane
