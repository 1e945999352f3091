korvane_test(gfx2d_image_readers_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_readers_test.cpp ${CMAKE_CURRENT_LIST_DIR}/image_test_files.cpp
  LIBS korvane_gfx2d)
# The public PNG suite is part of the repository, so a plain clone reads it.
target_compile_definitions(gfx2d_image_readers_test PRIVATE
  KORVANE_PNG_SUITE_DIR="${CMAKE_SOURCE_DIR}/tests/data/pngsuite/png")
korvane_test(gfx2d_glyph_table_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/glyph_table_test.cpp
  LIBS korvane_gfx2d)
