korvane_test(media_resolver_test SOURCES media_resolver_test.cpp LIBS korvane_lib)
# The tests make their packs with the pack tool.
add_dependencies(media_resolver_test mediapack)
