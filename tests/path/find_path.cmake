korvane_test(path_find_path_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/find_path_test.cpp
  LIBS korvane_path)
# A stop inside findPath (a bad index) exits with code 0: require a completed run.
set_tests_properties(path_find_path_test PROPERTIES
  PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]" FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
