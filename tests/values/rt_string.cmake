korvane_test(rt_string_test SOURCES rt_string_test.cpp LIBS korvane_values)
