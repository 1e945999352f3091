# The two set-up commands of the README: `make run` and `make test`. Both install what is
# missing first. Build trees live under build/, one per set of options, so that switching
# between commands never reconfigures a tree another command left behind.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
CONFIGURE_RELEASE = cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=ON -DKORVANE_BENCH=ON $(CMAKE_FLAGS)

.PHONY: run build check test test-release test-sanitize test-embed test-install fuzz bench deps clean

deps:
	tools/install-deps

build: deps
	$(CONFIGURE_RELEASE)
	cmake --build build/release -j $(JOBS)

# Only what running Ondrel needs: its packages, and the ondrel target without tests or benchmarks.
run:
	tools/install-deps --run
	cmake -S . -B build/run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=OFF -DKORVANE_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build/run -j $(JOBS) --target ondrel
	build/run/bin/ondrel

test: deps
	$(MAKE) check
	$(MAKE) test-release
	$(MAKE) test-sanitize
	$(MAKE) test-embed
	$(MAKE) test-install
	$(MAKE) fuzz

# Checks that need no build: the layout of every tracked C++ file, and every include against the
# target graph CMake reports (its file API, asked for before configuring).
check:
	tools/check-format
	tools/check-commands
	mkdir -p build/release/.cmake/api/v1/query && touch build/release/.cmake/api/v1/query/codemodel-v2
	$(CONFIGURE_RELEASE)
	tools/check-includes build/release

test-release:
	$(CONFIGURE_RELEASE)
	cmake --build build/release -j $(JOBS)
	cd build/release && ../../tools/with-display ctest --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ../../tools/with-display ctest --output-on-failure -j $(JOBS)

# A game's tree that takes the runtime in with add_subdirectory; the program checks a result and
# needs no display.
test-embed:
	cmake -S tests/embed -B build/embed -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build/embed -j $(JOBS)
	build/embed/embed_game

# A game outside the tree built against the installed runtime, once through find_package and once
# through pkg-config, each run on the virtual display; its line is the proof it ran, since the
# runtime's way out exits with 0 either way. The runtime comes from the release tree
# (INSTALL_TREE), installed into a fresh temporary prefix.
INSTALL_TREE ?= build/release
INSTALL_PREFIX ?= $(CURDIR)/build/install-prefix
INSTALLED_LINE = installed game: 1234 after 3 frames
test-install:
	cmake -S . -B $(INSTALL_TREE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=ON -DKORVANE_BENCH=ON $(CMAKE_FLAGS)
	cmake --build $(INSTALL_TREE) -j $(JOBS) --target korvane_core mediapack
	rm -rf $(INSTALL_PREFIX) $(INSTALL_PREFIX)-cmake $(INSTALL_PREFIX)-pkgconfig
	cmake --install $(INSTALL_TREE) --prefix $(INSTALL_PREFIX)
	cmake -S tests/installed -B $(INSTALL_PREFIX)-cmake -DCMAKE_PREFIX_PATH=$(INSTALL_PREFIX)
	cmake --build $(INSTALL_PREFIX)-cmake -j $(JOBS)
	tools/with-display $(INSTALL_PREFIX)-cmake/installed_game | grep -Fx "$(INSTALLED_LINE)"
	mkdir -p $(INSTALL_PREFIX)-pkgconfig
	c++ tests/installed/main.cpp -o $(INSTALL_PREFIX)-pkgconfig/installed_game \
	  $$(PKG_CONFIG_PATH=$(INSTALL_PREFIX)/lib/pkgconfig pkg-config --cflags --libs korvane)
	tools/with-display $(INSTALL_PREFIX)-pkgconfig/installed_game | grep -Fx "$(INSTALLED_LINE)"

fuzz:
	CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build build/fuzz -j $(JOBS)
	tools/run-fuzzers build/fuzz/fuzzers

bench: deps
	$(CONFIGURE_RELEASE)
	cmake --build build/release -j $(JOBS)
	tools/with-display tools/run-benchmarks build/release/benchmarks

clean:
	rm -rf build
