# The spine: pure units, program ends in child processes, and whole programs under X.
korvane_test(spine_units_test SOURCES spine_units_test.cpp LIBS korvane_core)

korvane_test(spine_end_test SOURCES spine_end_test.cpp LIBS korvane_core LABELS display)
target_compile_definitions(spine_end_test PRIVATE
  KORVANE_X_DRIVER="${CMAKE_CURRENT_SOURCE_DIR}/x_driver.py")

korvane_test(frame_loop_test SOURCES frame_loop_test.cpp LIBS korvane_core LABELS display)

# A program on the runtime that the process tests start and drive.
add_executable(spine_probe spine_probe.cpp)
target_link_libraries(spine_probe PRIVATE korvane)
target_include_directories(spine_probe PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(spine_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/helpers)

# It moves the input focus, so it gets an X server of its own.
find_package(GTest REQUIRED)
add_executable(spine_process_test spine_process_test.cpp)
target_link_libraries(spine_process_test PRIVATE GTest::gtest GTest::gtest_main)
target_include_directories(spine_process_test PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(spine_process_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
target_compile_definitions(spine_process_test PRIVATE
  KORVANE_X_DRIVER="${CMAKE_CURRENT_SOURCE_DIR}/x_driver.py"
  KORVANE_SPINE_PROBE="$<TARGET_FILE:spine_probe>"
  KORVANE_ONDREL="${CMAKE_BINARY_DIR}/bin/ondrel")
add_dependencies(spine_process_test spine_probe)
if(TARGET ondrel)
  add_dependencies(spine_process_test ondrel)
endif()
add_test(NAME spine_process_test
  COMMAND ${CMAKE_SOURCE_DIR}/tools/with-display $<TARGET_FILE:spine_process_test>)
set_tests_properties(spine_process_test PROPERTIES TIMEOUT 300 LABELS display)
