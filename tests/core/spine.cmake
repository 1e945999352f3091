# The spine: pure units, pacing on a real window, program ends in child processes, and whole
# programs under X.
korvane_test(spine_units_test SOURCES spine_units_test.cpp LIBS korvane_core)
korvane_test(frame_loop_test SOURCES frame_loop_test.cpp LIBS korvane_core LABELS display)

# Programs started with startRuntime pause while their window has lost the focus, and tests on
# a shared display move the focus (box dismissal, tests focusing windows named "Ondrel"); these
# suites also move it themselves. Each gets an X server of its own.
find_package(GTest REQUIRED)
function(spine_private_display_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    KORVANE_X_DRIVER="${CMAKE_CURRENT_SOURCE_DIR}/x_driver.py")
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tools/with-display $<TARGET_FILE:${name}>)
  # As for every suite: a runtime stop exits 0, so only GoogleTest's own summary is a pass.
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS display
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ test"
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
    ENVIRONMENT "KORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR};KORVANE_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()

spine_private_display_test(spine_end_test SOURCES spine_end_test.cpp LIBS korvane_core)

# A program on the runtime that the process tests start and drive.
add_executable(spine_probe spine_probe.cpp)
target_link_libraries(spine_probe PRIVATE korvane)
target_include_directories(spine_probe PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(spine_probe PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/helpers)

spine_private_display_test(spine_process_test SOURCES spine_process_test.cpp)
target_compile_definitions(spine_process_test PRIVATE
  KORVANE_SPINE_PROBE="$<TARGET_FILE:spine_probe>"
  KORVANE_ONDREL="${CMAKE_BINARY_DIR}/bin/ondrel")
add_dependencies(spine_process_test spine_probe)
if(TARGET ondrel)
  add_dependencies(spine_process_test ondrel)
endif()
