# The front door: `make run` builds and starts Vestura with its sample catalogue;
# `make test` builds and runs every test, then the whole suite again under ASan + UBSan.
# Both install missing Debian packages first.

.PHONY: run test build deps sanitize fuzz bench clean

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

# Runs each libFuzzer target for FUZZ_SECONDS, starting from its seed corpus.
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	for target in build/fuzz/fuzz/fuzz_*; do \
	  [ -f "$$target" ] && [ -x "$$target" ] || continue; \
	  name=$${target##*/fuzz_}; mkdir -p build/fuzz/corpus/$$name; \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp $$target -max_total_time=$(FUZZ_SECONDS) \
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

bench: build
	./bench/run-all

clean:
	rm -rf build
