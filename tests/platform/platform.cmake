korvane_test(platform_test SOURCES platform_test.cpp LIBS korvane_platform)
korvane_test(os_services_test
  SOURCES process_test.cpp thread_test.cpp thread_exit_test.cpp library_test.cpp
          null_backends_test.cpp
  LIBS korvane_platform)
korvane_test(socket_test SOURCES socket_test.cpp LIBS korvane_platform LABELS net TIMEOUT 60)
