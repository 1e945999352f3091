korvane_test(path_planner_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fixed_deque_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/node_hash_table_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/planner_test.cpp
  LIBS korvane_path)
# Replaces the global allocation functions, so it lives in its own executable.
korvane_test(path_search_alloc_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/search_alloc_test.cpp
  LIBS korvane_path)
# Every way out of the runtime exits with code 0, so a run cut short by a stop would pass on
# its exit code: require the summary line of a completed run instead.
set_tests_properties(path_planner_test path_search_alloc_test PROPERTIES
  PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]" FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
