# Front door: `make demo` and `make test` do everything on a fresh Debian machine.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
WINDOWS_BUILD ?= build-windows
CMAKE_FLAGS ?=

# Debian packages the build and the tests need.
PACKAGES := cmake make g++ pkg-config libicu-dev icu-devtools libgtest-dev libgmock-dev
# What the Windows build adds: the MinGW cross compiler, Wine to run its
# programs, GoogleTest's sources, and dpkg-dev for apt-get source (ICU).
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 googletest dpkg-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test asan demo clean windows-deps windows wintest

all: build

deps:
	@$(call install-missing,$(PACKAGES))

windows-deps: deps
	@$(call install-missing,$(WINDOWS_PACKAGES))

define install-missing
	missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi
endef

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

# Until the host program lands, the demo runs a scripted scenario on the simulated host.
demo: build
	$(BUILD)/apps/demo_scenario
	$(BUILD)/apps/demo_book

# Windows: ICU cross-built once into a cache outside the tree, the host
# converters from the native build, then everything cross-built with MinGW;
# wintest runs the test programs under Wine.
windows: windows-deps configure
	cmake --build $(BUILD) -j $(JOBS) --target vellor_icu_data
	icu=$$(JOBS=$(JOBS) scripts/build-icu-windows.sh) && \
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DVELLOR_ICU_WINDOWS_DIR=$$icu -DVELLOR_NATIVE_ICU_DATA_DIR=$(abspath $(BUILD))/icu_data $(CMAKE_FLAGS) >/dev/null
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

wintest: windows
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINDOWS_BUILD)
