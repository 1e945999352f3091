korvane_test(rt_array_test SOURCES rt_array_test.cpp LIBS korvane_values)
