# Entry points for people: `make run` plays the demo game, `make test` runs the test suite.
# `make soak` runs the long checks (labels soak and kill) that `make test` leaves out;
# `make test-asan` runs the suite built with AddressSanitizer and UBSan in build-asan;
# `make test-tsan` the loading tests (pictures decoded on worker threads) built with
# ThreadSanitizer in build-tsan (not part of CI).
# `make deb` writes the Debian packages qazmir_<version>_<arch>.deb and
# qazmir-demo_<version>_all.deb here; `make test-package` also runs lintian on them.
# `make web` builds the player for WebAssembly in build-web (see web/build-libs.sh)
# and writes build-web/site/: the page, the player and the demo, for any static
# web server; `make web-smoke` runs its smoke program under node; `make test-web`
# plays the demo in the wasm player under node and in headless Chromium and
# compares the pictures with the native player's (not part of `make test`).
BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
TSAN_BUILD_DIR ?= build-tsan
WEB_BUILD_DIR ?= build-web
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps configure build test soak test-asan test-tsan run bench install deb test-package clean web web-smoke test-web

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) -LE 'soak|kill'

soak: build
	cd $(BUILD_DIR) && ctest --output-on-failure -L 'soak|kill'

# Leaks of system libraries are listed in tests/sanitizer/lsan.supp.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQZ_SANITIZE=ON
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	cd $(ASAN_BUILD_DIR) && \
	  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) -LE 'soak|kill'

# Only the two test programs that hold the loading tests are built.
TSAN_TESTS = DecodePool.*:CacheTest.*:SwitchAhead.*:ScreenNatives.*:ElementNatives.*
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQZ_TSAN=ON
	cmake --build $(TSAN_BUILD_DIR) -j $(JOBS) --target resources_tests scriptlib_tests
	cd $(TSAN_BUILD_DIR) && \
	  TZ=UTC SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  QZ_TEST_FIXTURES=$(CURDIR)/tests/fixtures QZ_BIN_DIR=$(CURDIR)/$(TSAN_BUILD_DIR)/bin sh -c \
	  'for t in resources_tests scriptlib_tests; do bin/$$t --gtest_filter="$(TSAN_TESTS)" || exit 1; done'

run: build
	./scripts/run-demo.sh $(BUILD_DIR)

bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target bench_all

# DESTDIR, when set, is honoured by cmake --install.
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

deb: build
	./packaging/deb/make-debs.sh $(BUILD_DIR) .

# Warnings kept on purpose are overridden, with the reason, in packaging/deb/lintian/.
test-package: deb
	./scripts/install-deps.sh --package
	cd $(BUILD_DIR) && ctest --output-on-failure -R '^package$$'
	v=$$(cat $(BUILD_DIR)/packaging/version) && \
	  lintian --display-info --fail-on error,warning \
	    qazmir_$${v}_$$(dpkg --print-architecture).deb qazmir-demo_$${v}_all.deb

clean:
	rm -rf $(BUILD_DIR)

# Debian's emscripten runs its optimizer with the node on PATH, which need not
# be Debian's (acorn is in Debian's module folder); the JavaScript it makes for
# node loads .wasm files with fetch() on nodes that have it, which fails.
web web-smoke test-web: export NODE_PATH := /usr/share/nodejs
web web-smoke test-web: export NODE_OPTIONS := --no-experimental-fetch

# The demo in the site is the native build's (its tool draws and packs it).
web: configure
	./scripts/install-deps.sh --web
	prefix=$$(JOBS=$(JOBS) web/build-libs.sh) && \
	  emcmake cmake -S . -B $(WEB_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_CROSSCOMPILING_EMULATOR=$$(command -v node) -DQZ_WEB_DEPS=$$prefix
	cmake --build $(WEB_BUILD_DIR) -j $(JOBS)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target demo
	web/make-site.sh $(WEB_BUILD_DIR) $(BUILD_DIR)/demo

# Also needs the native player, whose pictures the web player's must match.
test-web: web
	cmake --build $(BUILD_DIR) -j $(JOBS) --target qazmir web_tests
	cd $(BUILD_DIR) && ctest --output-on-failure -R '^(PlayerArgs|FramePacer|ZipExtract)\.'
	web/test-web.sh $(WEB_BUILD_DIR) $(BUILD_DIR)

web-smoke: web
	node $(WEB_BUILD_DIR)/bin/qazmir-web-smoke.js /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
