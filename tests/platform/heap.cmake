korvane_test(heap_test SOURCES heap_test.cpp LIBS korvane_platform)
