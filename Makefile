# Entry points for people: `make run` plays the demo game, `make test` runs the test suite.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps configure build test run bench install clean

all: build

deps:
	./scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	./scripts/run-demo.sh $(BUILD_DIR)

bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target bench_all

# DESTDIR, when set, is honoured by cmake --install.
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD_DIR)
