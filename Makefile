# Front door: `make demo` and `make test` do everything on a fresh Debian machine.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?=

# Debian packages the build and the tests need.
PACKAGES := cmake make g++ pkg-config libicu-dev icu-devtools libgtest-dev libgmock-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test asan demo bench clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN_BUILD) -DVELLOR_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The main job on the bundled sample: a scratch copy of the book (the checked-in
# files never change), master pages applied to every chapter, then listed.
DEMO_DIR ?= $(BUILD)/demo
demo: build
	@rm -rf $(DEMO_DIR) && mkdir -p $(DEMO_DIR)
	@cp examples/*.mif examples/*.book examples/MasterPage.fm $(DEMO_DIR)/
	@echo "== vellor-host apply-book $(DEMO_DIR)/Manual.book"
	@$(BUILD)/apps/vellor-host apply-book $(DEMO_DIR)/Manual.book
	@echo
	@echo "== vellor-host list-book --report $(DEMO_DIR)/report.mif $(DEMO_DIR)/Manual.book"
	@$(BUILD)/apps/vellor-host list-book --report $(DEMO_DIR)/report.mif $(DEMO_DIR)/Manual.book

# The benchmark figures (pass, book, library); BENCH_ARGS=--full for the whole
# matrix, e.g. make bench BENCH_ARGS="--full --json bench.json". Never run by test.
BENCH_ARGS ?= --quick
bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target vellor-bench
	nice $(BUILD)/apps/vellor-bench $(BENCH_ARGS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
