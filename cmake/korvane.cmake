# Helpers shared by every module, test and benchmark directory.

# korvane_module(name SOURCES ... DEPS ... [SYSTEM ...])
# One static library per runtime module; DEPS are the lower layers it may use.
function(korvane_module name)
  cmake_parse_arguments(M "" "" "SOURCES;DEPS;SYSTEM" ${ARGN})
  if(NOT M_SOURCES)
    # A module whose first sources have not been written yet still takes part in the graph.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${M_DEPS} ${M_SYSTEM})
    target_compile_features(${name} INTERFACE cxx_std_20)
    return()
  endif()
  add_library(${name} STATIC ${M_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${M_DEPS} ${M_SYSTEM})
  # The headers need C++20, so a game that links a module compiles with it too.
  target_compile_features(${name} PUBLIC cxx_std_20)
endfunction()

# korvane_test(name SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s] [DEFINITIONS ...]
#              [DEPENDS ...] [PRIVATE_TMPDIR])
# One CTest entry per test executable: GL tests share one window and one warning box per process.
# DEPENDS are targets the tests start as child programs; PRIVATE_TMPDIR gives the whole process a
# TMPDIR of its own, so its error-log lines never meet another suite's.
function(korvane_test name)
  cmake_parse_arguments(T "PRIVATE_TMPDIR" "TIMEOUT" "SOURCES;LIBS;LABELS;DEFINITIONS;DEPENDS"
    ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} korvane_test_support GTest::gtest GTest::gmock
    GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE ${T_DEFINITIONS})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  # A display suite gets an X server of its own: suites running side by side on one server
  # would take the keyboard focus from each other (every process's warning box is focused to be
  # dismissed), and input tests need to keep it.
  if("display" IN_LIST T_LABELS)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tools/with-display $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(environment "KORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR};KORVANE_BINARY_DIR=${PROJECT_BINARY_DIR}")
  if(T_PRIVATE_TMPDIR)
    set(tmp ${PROJECT_BINARY_DIR}/tests/tmp-${name})
    file(MAKE_DIRECTORY ${tmp})
    list(APPEND environment "TMPDIR=${tmp}/")
  endif()
  # Every way out of the runtime exits with code 0, so a stop inside a test would look like a pass:
  # a suite passes only when GoogleTest printed its own summary and no failure.
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ test"
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
    ENVIRONMENT "${environment}")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# korvane_bench(name SOURCES ... LIBS ...)
function(korvane_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/benchmarks)
endfunction()

# korvane_fuzz(name SOURCES ... LIBS ...): a libFuzzer target seeded from fuzz/corpus/<name>.
function(korvane_fuzz name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzzers)
endfunction()
