korvane_test(path_planner_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fixed_deque_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/node_hash_table_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/planner_test.cpp
  LIBS korvane_path)
# Replaces the global allocation functions, so it lives in its own executable.
korvane_test(path_search_alloc_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/search_alloc_test.cpp
  LIBS korvane_path)
