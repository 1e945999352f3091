# The display object on a real X server and real GL.
korvane_test(display_test SOURCES display_test.cpp LIBS korvane_gfx2d LABELS display)
# Its own process: the software-renderer warning appears once per process (each kind of box is
# shown by a child process of its own).
korvane_test(display_warning_test SOURCES display_warning_test.cpp LIBS korvane_gfx2d
  LABELS display)
