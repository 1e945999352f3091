# `cmake --install`: the runtime's static libraries, its public headers, the CMake package
# (find_package(Korvane) gives Korvane::korvane) and korvane.pc, plus the mediapack tool.
# Included from the root once every runtime target exists.
include(CMakePackageConfigHelpers)
include(GNUInstallDirs)

option(KORVANE_INSTALL "Add the install rules of the runtime" ${PROJECT_IS_TOP_LEVEL})
if(NOT KORVANE_INSTALL)
  return()
endif()

set(KORVANE_VERSION 1.0.0)
set(korvane_include_dir ${CMAKE_INSTALL_INCLUDEDIR}/korvane)
set(korvane_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Korvane)

# The public headers are what a program reaches through the entry header (which takes the
# umbrella in): the compiler lists them, so a module header that starts including another
# header ships it without a list to keep up by hand.
execute_process(
  COMMAND ${CMAKE_CXX_COMPILER} -std=c++20 -I${PROJECT_SOURCE_DIR} -MM -x c++
          ${PROJECT_SOURCE_DIR}/runtime/korvane_main.h
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  OUTPUT_VARIABLE korvane_header_scan
  RESULT_VARIABLE korvane_header_scan_result
  ERROR_VARIABLE korvane_header_scan_error)
if(NOT korvane_header_scan_result EQUAL 0)
  message(FATAL_ERROR "cannot list the public headers: ${korvane_header_scan_error}")
endif()
string(REGEX MATCHALL "runtime/[A-Za-z0-9_/]+\\.h" korvane_public_headers "${korvane_header_scan}")
list(REMOVE_DUPLICATES korvane_public_headers)
foreach(header ${korvane_public_headers})
  if(header MATCHES "_internal\\.h$")
    message(FATAL_ERROR "a public header includes the internal header ${header}")
  endif()
  get_filename_component(header_dir ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${korvane_include_dir}/${header_dir})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${header})
endforeach()

# Every runtime library, in link order (each before the ones it uses), for the export and for
# the pkg-config line.
set(korvane_libraries)
foreach(t korvane_core korvane_gfx3d korvane_sound korvane_net korvane_gfx2d korvane_input
          korvane_lib korvane_path korvane_values korvane_stop korvane_platform_media
          korvane_platform_audio korvane_platform_video korvane_platform_os)
  if(TARGET ${t})
    list(APPEND korvane_libraries ${t})
  endif()
endforeach()
set(korvane_exported korvane korvane_platform ${korvane_libraries})
# Inside the tree the targets point at the source folder; installed, at the header folder.
foreach(t ${korvane_exported})
  set_property(TARGET ${t} PROPERTY INTERFACE_INCLUDE_DIRECTORIES
    "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>;$<INSTALL_INTERFACE:${korvane_include_dir}>")
endforeach()
install(TARGETS ${korvane_exported} EXPORT KorvaneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT KorvaneTargets NAMESPACE Korvane:: DESTINATION ${korvane_package_dir})

# What the package file has to find again on the game's machine.
set(korvane_pkg_modules "sdl2 lzo2 openal")
set(KORVANE_CONFIG_PKG_MODULES "SDL2 sdl2\nLZO2 lzo2\nOPENAL openal\n")
if(TARGET korvane_platform_media)
  string(APPEND korvane_pkg_modules " mpv")
  string(APPEND KORVANE_CONFIG_PKG_MODULES "MPV mpv\n")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/KorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/KorvaneConfig.cmake @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/KorvaneConfigVersion.cmake
  VERSION ${KORVANE_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/KorvaneConfig.cmake
  ${PROJECT_BINARY_DIR}/package/KorvaneConfigVersion.cmake DESTINATION ${korvane_package_dir})

# The .pc file finds its prefix from where it lies, so an install moved elsewhere (or made with
# `cmake --install --prefix`) still points at its own headers and libraries.
file(RELATIVE_PATH korvane_pc_up /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" korvane_pc_up "${korvane_pc_up}")
set(korvane_pc_dl)
foreach(lib ${CMAKE_DL_LIBS})
  string(APPEND korvane_pc_dl " -l${lib}")
endforeach()
set(korvane_pc_libs)
foreach(t ${korvane_libraries})
  string(APPEND korvane_pc_libs " -l${t}")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/korvane.pc.in ${PROJECT_BINARY_DIR}/package/korvane.pc
  @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/korvane.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET mediapack)
  install(TARGETS mediapack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
