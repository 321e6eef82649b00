# Front door. CMake presets do the work; see README.md.
JOBS ?= 2
CTEST := ctest --output-on-failure --timeout 300 -j $(JOBS)

# Debian packages the build, the tests and the benchmarks need.
PACKAGES := cmake ninja-build g++ clang libclang-rt-14-dev python3 \
            g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386 wine64 \
            libgtest-dev libgmock-dev googletest libbenchmark-dev nlohmann-json3-dev \
            libspdlog-dev libboost-dev clang-format hyperfine duktape-dev

.PHONY: setup build native win32 cef-build cef-test run test sanitize bench fuzz format clean

setup:
	@./tools/setup.sh $(PACKAGES)

native:
	cmake --preset native >/dev/null
	cmake --build build/native -j $(JOBS)

win32:
	cmake --preset win32 >/dev/null
	cmake --build build/win32 -j $(JOBS)

# Quorvane.exe against a real CEF 92 windows32 binary distribution, with our toolchain:
#   make cef-build CEF_ROOT=/path/to/cef_binary_92.0.*_windows32
# tools/assemble_cef_tree.py assembles such a tree from CEF's source for a link check.
cef-build:
	@if [ -z "$(CEF_ROOT)" ]; then \
	  echo "make cef-build: CEF_ROOT is not set; give a CEF 92 windows32 binary distribution:" >&2; \
	  echo "  make cef-build CEF_ROOT=/path/to/cef_binary_92.0.*+chromium-92.0.4515.*_windows32" >&2; \
	  exit 2; \
	fi
	cmake --preset win32-cef -DCEF_ROOT="$(abspath $(CEF_ROOT))" >/dev/null
	cmake --build build/win32-cef -j $(JOBS)

# Every Wine end-to-end test (tests/wine) against the real-SDK Quorvane.exe beside the
# project's libcef.dll double (cef-double/), both in build/win32-cef/run, then every test
# that configuration registers itself (the double's own, run against it under Wine):
#   make cef-test CEF_ROOT=/path/to/cef-tree   (default: ../shared/cef92 when it is there)
# The test programs come from build/win32 and the test driver from build/native.
cef-test: setup
	@$(MAKE) --no-print-directory cef-build CEF_ROOT="$(CEF_TEST_ROOT)"
	@$(MAKE) --no-print-directory win32
	cmake --preset native >/dev/null
	cmake --build build/native -j $(JOBS) --target exe_tests
	cd build/native && QUORVANE_EXE_DIR="$(CURDIR)/build/win32-cef/run" QUORVANE_REAL_CEF=1 \
	  $(CTEST) -L wine
	cd build/win32-cef && $(CTEST) --no-tests=ignore

build: setup
	@$(MAKE) --no-print-directory win32 native

run: build
	@./tools/demo.sh

# make test proves the real-SDK build too whenever a CEF 92 tree is at hand: CEF_ROOT when
# given, else the read-only one that sits beside the repository (../shared/cef92).
CEF_TEST_ROOT := $(or $(CEF_ROOT),$(wildcard $(abspath ../shared/cef92)))

test: build
	cd build/win32 && $(CTEST)
	cd build/native && $(CTEST)
ifneq ($(CEF_TEST_ROOT),)
	@$(MAKE) --no-print-directory cef-test CEF_ROOT="$(CEF_TEST_ROOT)"
else
	@echo "make test: skipped the real-SDK suite (make cef-test): no CEF 92 tree at ../shared/cef92 and no CEF_ROOT given"
endif

sanitize: setup
	cmake --preset asan >/dev/null && cmake --build build/asan -j $(JOBS)
	cd build/asan && $(CTEST) -L unit
	cmake --preset tsan >/dev/null && cmake --build build/tsan -j $(JOBS)
	cd build/tsan && TSAN_OPTIONS=halt_on_error=1 $(CTEST) -L unit

# With CEF_ROOT, also the bridge call and getDocumentBody of the real-SDK build beside the
# double, against the stand-in build's (under Wine); without it those rows are skipped.
bench: build
	cmake --preset bench >/dev/null && cmake --build build/bench -j $(JOBS)
	@if [ -n "$(CEF_ROOT)" ]; then $(MAKE) --no-print-directory cef-build CEF_ROOT="$(CEF_ROOT)"; fi
	@REAL_CEF_EXE="$(if $(CEF_ROOT),build/win32-cef/run/Quorvane.exe)" ./bench/run.sh

fuzz: setup
	cmake --preset fuzz >/dev/null && cmake --build build/fuzz -j $(JOBS)
	@./fuzz/run.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	-./tools/wine.sh --stop
	rm -rf build
