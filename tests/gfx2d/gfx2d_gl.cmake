# GL suites: each process makes one display (and so one warning box and error-log line), in a
# private temporary directory so its error log never meets another suite's.
korvane_test(gfx2d_gl_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gfx2d_gl_test.cpp ${CMAKE_CURRENT_LIST_DIR}/image_test_files.cpp
  LIBS korvane_gfx2d LABELS display)
# Runs the real start-up, once per process.
korvane_test(gfx2d_loading_screen_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/loading_screen_test.cpp
  LIBS korvane_core LABELS display)
foreach(t gfx2d_gl_test gfx2d_loading_screen_test)
  set(tmp ${CMAKE_BINARY_DIR}/tests/tmp-${t})
  file(MAKE_DIRECTORY ${tmp})
  set_property(TEST ${t} APPEND PROPERTY ENVIRONMENT "TMPDIR=${tmp}/")
endforeach()
