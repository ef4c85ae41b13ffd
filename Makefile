# Front door: `make demo` and `make test` do everything on a fresh Debian machine.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
WINDOWS_BUILD ?= build-win
CMAKE_FLAGS ?=

# Debian packages the build and the tests need (chromium: the page map is
# checked in a headless browser).
PACKAGES := cmake make g++ pkg-config libicu-dev icu-devtools libgtest-dev libgmock-dev chromium
# Only `make fuzz` and `make valgrind` need these.
FUZZ_PACKAGES := clang libclang-rt-14-dev
VALGRIND_PACKAGES := valgrind
# Only the Windows targets need these: the MinGW cross compiler, Wine to run
# its programs, GoogleTest's sources, and dpkg-dev for apt-get source (ICU).
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 googletest dpkg-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps fuzz-deps valgrind-deps configure build test asan fuzz valgrind demo bench install clean windows-deps windows windows-package wintest

all: build

# Installs the Debian packages of $(1) that are missing.
define install_missing
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

fuzz-deps:
	$(call install_missing,$(PACKAGES) $(FUZZ_PACKAGES))

valgrind-deps:
	$(call install_missing,$(PACKAGES) $(VALGRIND_PACKAGES))

windows-deps:
	$(call install_missing,$(PACKAGES) $(WINDOWS_PACKAGES))

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

# libFuzzer targets (tests/fuzz) in a clang build instrumented throughout;
# each runs FUZZ_SECONDS and any finding fails the run.
fuzz: fuzz-deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DVELLOR_FUZZ=ON -DVELLOR_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target vellor_fuzz_targets
	tests/fuzz/run_fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Every test program of the normal build under memcheck: any error or any
# definitely or indirectly lost block fails. memcheck would also take over the
# operator new and delete that a test program defines itself (the MIF
# allocation sweep's, which fails chosen allocations): it then never fails
# one, and pairs the program's inlined new with its own delete. Those stay the
# program's; the C library's and the C++ library's are checked as ever.
valgrind: valgrind-deps build
	@failed=""; for t in $(BUILD)/tests/test_*; do \
	  [ -x "$$t" ] || continue; echo "== valgrind $$t"; \
	  valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
	    --soname-synonyms=somalloc=nouserintercepts \
	    "$$t" --gtest_brief=1 || failed="$$failed $$t"; \
	done; \
	if [ -n "$$failed" ]; then echo "valgrind failed:$$failed"; exit 1; fi

# vellor-host, the plug-in module and the host folder (converters, sample
# mapping document) into PREFIX/bin, PREFIX/lib/vellor and PREFIX/share/vellor,
# where the installed vellor-host finds them by itself.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The main job on the bundled sample: a scratch copy of the book (the checked-in
# files never change), the page map of what applying would change, master
# pages applied to every chapter, then listed.
DEMO_DIR ?= $(BUILD)/demo
demo: build
	@rm -rf $(DEMO_DIR) && mkdir -p $(DEMO_DIR)
	@cp examples/*.mif examples/*.book examples/MasterPage.fm $(DEMO_DIR)/
	@echo "== vellor-host map --dry-run $(DEMO_DIR)/Manual.book -o $(DEMO_DIR)/page-map.html"
	@$(BUILD)/apps/vellor-host -q map --dry-run $(DEMO_DIR)/Manual.book -o $(DEMO_DIR)/page-map.html
	@echo "Page map (open it in a browser): file://$(abspath $(DEMO_DIR))/page-map.html"
	@echo
	@echo "== vellor-host apply-book $(DEMO_DIR)/Manual.book"
	@$(BUILD)/apps/vellor-host apply-book $(DEMO_DIR)/Manual.book
	@echo
	@echo "== vellor-host list-book --report $(DEMO_DIR)/report.mif $(DEMO_DIR)/Manual.book"
	@$(BUILD)/apps/vellor-host list-book --report $(DEMO_DIR)/report.mif $(DEMO_DIR)/Manual.book

# The benchmark figures (pass, book, library, end-to-end) as tables, and as
# one JSON record in BENCH_JSON to set beside a later run's; BENCH_ARGS=--full
# for the whole matrix, e.g. make bench BENCH_ARGS="--full --only end-to-end".
# Never run by test.
BENCH_ARGS ?= --quick
BENCH_JSON ?= $(BUILD)/bench.json
bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target vellor-bench
	nice $(BUILD)/apps/vellor-bench $(BENCH_ARGS) --json $(BENCH_JSON)

# Windows: ICU cross-built once into a cache outside the tree, the host
# converters from the native build, then everything cross-built with MinGW,
# the release zip included; wintest runs the test programs under Wine, and
# installs the zip into scratch FrameMaker folders there.
windows: windows-deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target vellor_icu_data
	icu=$$(JOBS=$(JOBS) scripts/build-icu-windows.sh) && \
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DVELLOR_ICU_WINDOWS_DIR=$$icu -DVELLOR_NATIVE_ICU_DATA_DIR=$(abspath $(BUILD))/icu_data $(CMAKE_FLAGS) >/dev/null
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# The release: $(WINDOWS_BUILD)/Vellor-<VERSION>-win64.zip, with install.cmd.
windows-package: windows
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target vellor_package
	@echo "Release: $$(ls $(WINDOWS_BUILD)/Vellor-*-win64.zip)"

# The Windows vellor-host is compared with the native one on the sample book,
# here and installed from the zip. A Wine process now and then fails to start
# on a loaded machine (a test program gone in 0.01 s, a step of a batch file
# failing once): a test that fails is run once more, and its first failure
# stays in the log above the second run.
wintest: windows
	cmake --build $(BUILD) -j $(JOBS) --target vellor-host
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS) --repeat until-pass:2

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD)
