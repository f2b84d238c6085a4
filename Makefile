# The front door: `make run` builds and starts Vestura with its sample catalogue;
# `make test` builds and runs every test, then the whole suite again under ASan + UBSan.
# Both install missing Debian packages first.

.PHONY: run test build deps sanitize fuzz bench soak clean

FUZZ_SECONDS ?= 60

deps:
	./scripts/install-deps

build: deps
	cmake --preset default
	cmake --build --preset default

run: build
	cd build/bin && ./vestura

test: build
	ctest --preset default -j 2
	$(MAKE) sanitize

sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize -j 2

# Runs each libFuzzer target for FUZZ_SECONDS, starting from its seed corpus, with the goals
# every hostile input is held to as limits: an input running over 2 s, a single allocation
# over 256 MiB or a resident size over the target's own idle size plus 256 MiB is a finding,
# like a crash. Keep each one under fuzz/crashes/<target>/, where make test replays it.
# AddressSanitizer keeps freed memory in a quarantine (256 MiB by default) that counts toward
# the resident size; a small one keeps the limit on what the target itself holds. Any
# ASAN_OPTIONS given are kept, and win over this one.
FUZZ_ASAN_OPTIONS = quarantine_size_mb=16$(if $(ASAN_OPTIONS),:$(ASAN_OPTIONS))

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	mkdir -p build/fuzz/empty
	for target in build/fuzz/fuzz/fuzz_*; do \
	  [ -f "$$target" ] && [ -x "$$target" ] || continue; \
	  name=$${target##*/fuzz_}; mkdir -p build/fuzz/corpus/$$name; \
	  idle=$$(ASAN_OPTIONS='$(FUZZ_ASAN_OPTIONS)' $$target -runs=0 build/fuzz/empty 2>&1 | sed -n 's/.*INITED.*rss: \([0-9]*\)Mb.*/\1/p'); \
	  ASAN_OPTIONS='$(FUZZ_ASAN_OPTIONS)' LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp \
	    $$target -max_total_time=$(FUZZ_SECONDS) \
	    -timeout=2 -malloc_limit_mb=256 -rss_limit_mb=$$(( $${idle:-64} + 256 )) \
	    -artifact_prefix=build/fuzz/ build/fuzz/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

# Builds in Release and installs for the current user, no root needed (see scripts/install).
# PREFIX=DIR installs into DIR/share and DIR/bin instead of ~/.local; DESTDIR=DIR stages below DIR.
.PHONY: install uninstall
INSTALL_PLACE = $(if $(PREFIX),--prefix "$(PREFIX)") $(if $(DESTDIR),--destdir "$(DESTDIR)")

install: deps
	cmake --preset release
	cmake --build --preset release
	./scripts/install --from build/release/bin $(INSTALL_PLACE)

uninstall:
	./scripts/install --uninstall $(INSTALL_PLACE)

# The Debian package, built by dpkg-buildpackage from a copy of the source tree in
# build/deb/src (so that its outputs land in build/deb/, not beside the checkout), then
# checked: the menu entry, the AppStream file and lintian, which must find no error and no
# warning. Release build, tests off; the package test (make package-test) tries it installed.
.PHONY: deb package-test
DEB_DIR = build/deb
# ccache's own cache, named outright: debhelper gives the build a HOME of its own.
CCACHE_DIR_IN_USE = $(shell ccache -k cache_dir 2>/dev/null)
deb: deps
	rm -rf $(DEB_DIR) && mkdir -p $(DEB_DIR)/src
	tar --exclude=./build --exclude=./.git -cf - . | tar -xf - -C $(DEB_DIR)/src
	cd $(DEB_DIR)/src && \
	  $(if $(CCACHE_DIR_IN_USE),CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache \
	    CCACHE_DIR="$(CCACHE_DIR_IN_USE)" CCACHE_BASEDIR=$(CURDIR)/$(DEB_DIR)/src) \
	  DEB_BUILD_OPTIONS="nocheck parallel=2 $(DEB_BUILD_OPTIONS)" dpkg-buildpackage -b -us -uc
	desktop-file-validate $(DEB_DIR)/src/debian/vestura/usr/share/applications/*.desktop
	appstreamcli validate --no-net $(DEB_DIR)/src/debian/vestura/usr/share/metainfo/*.xml
	lintian --fail-on error,warning --display-info $(DEB_DIR)/vestura_*.changes
	@ls -1 $(DEB_DIR)/vestura_*.deb

# Builds the package, installs it with apt-get, uses both programs as a normal user, then
# purges it and checks that it left nothing behind. Needs root (or skips, saying why).
package-test:
	bash tests/package/package_test.sh

bench: build
	./bench/run-all

# Long random-input runs: the window's monkey test for SOAK_EVENTS events on Qt's offscreen
# platform, then the real program under Xvfb for SOAK_SECONDS.
SOAK_EVENTS ?= 100000
SOAK_SECONDS ?= 600
soak: build
	QT_QPA_PLATFORM=offscreen VESTURA_MONKEY_SEED=$${SEED:-$$(date +%s)} \
	  VESTURA_MONKEY_EVENTS=$(SOAK_EVENTS) build/tests/test_app --gtest_filter='MonkeyTest.*'
	MONKEY_SECONDS=$(SOAK_SECONDS) bash tests/e2e/monkey_test.sh build/bin

clean:
	rm -rf build
