korvane_test(media_resolver_test SOURCES media_resolver_test.cpp LIBS korvane_lib)
# The tests make their packs with the pack tool.
add_dependencies(media_resolver_test mediapack)
korvane_test(byte_source_test SOURCES byte_source_test.cpp LIBS korvane_lib korvane_pack_writer)
