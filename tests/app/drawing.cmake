# drawGrid on a real GL context: one display a process, in a private temporary directory so
# its error-log line never meets another suite's.
if(TARGET ondrel_app)
  korvane_test(app_grid_drawing_test SOURCES grid_drawing_test.cpp LIBS ondrel_app LABELS display)
  set(tmp ${CMAKE_BINARY_DIR}/tests/tmp-app_grid_drawing_test)
  file(MAKE_DIRECTORY ${tmp})
  set_property(TEST app_grid_drawing_test APPEND PROPERTY ENVIRONMENT "TMPDIR=${tmp}/")
endif()
