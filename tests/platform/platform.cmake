korvane_test(platform_test SOURCES platform_test.cpp LIBS korvane_platform)
