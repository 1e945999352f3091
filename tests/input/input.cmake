korvane_test(input_display_test SOURCES input_display_test.cpp LIBS korvane_input
  LABELS display)
korvane_test(input_devices_test SOURCES input_joystick_test.cpp key_code_table_test.cpp
  LIBS korvane_input)
# Input and media files inside the started runtime, in child processes.
korvane_test(input_runtime_test SOURCES input_runtime_test.cpp LIBS korvane LABELS display)
