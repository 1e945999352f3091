# The real program under the virtual display, driven with real X events. It moves the
# pointer and the input focus, so it runs on an X server of its own.
if(TARGET ondrel)
  find_package(GTest REQUIRED)
  add_executable(ondrel_e2e_test ondrel_e2e_test.cpp)
  target_link_libraries(ondrel_e2e_test PRIVATE GTest::gtest GTest::gtest_main)
  set_target_properties(ondrel_e2e_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(ondrel_e2e_test PRIVATE
    ONDREL_BINARY="$<TARGET_FILE:ondrel>"
    ONDREL_X_DRIVER="${CMAKE_CURRENT_SOURCE_DIR}/ondrel_x.py")
  add_dependencies(ondrel_e2e_test ondrel)
  add_test(NAME ondrel_e2e_test
    COMMAND ${CMAKE_SOURCE_DIR}/tools/with-display $<TARGET_FILE:ondrel_e2e_test>)
  set_tests_properties(ondrel_e2e_test PROPERTIES TIMEOUT 300 LABELS display)
endif()
