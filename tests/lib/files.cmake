korvane_test(file_channels_test SOURCES file_channels_test.cpp file_system_test.cpp
  LIBS korvane_lib)
