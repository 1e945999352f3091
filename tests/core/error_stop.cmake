korvane_test(error_stop_test SOURCES error_stop_test.cpp LIBS korvane_stop)
korvane_test(error_codes_test SOURCES error_codes_test.cpp)
korvane_test(worker_stop_test SOURCES worker_stop_test.cpp LIBS korvane_stop)
