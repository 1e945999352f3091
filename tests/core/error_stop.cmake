korvane_test(error_stop_test SOURCES error_stop_test.cpp LIBS korvane_stop)
