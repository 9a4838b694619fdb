# The two commands of the README:
#   make run   build natively, then run the arena simulator's demo
#   make test  install what is missing, build every lane, run every test
# Each lane is a CMake preset with its own folder under build/.

.PHONY: all build run test deps deps-native deps-demo native sanitize m32 win32 dist clean
.PHONY: fuzz fuzz-build fuzz-short valgrind bench

# Seconds each fuzz target runs: `make fuzz` and the short runs of `make test`.
FUZZ_SECONDS ?= 60
FUZZ_SHORT_SECONDS ?= 20

all: build

deps:
	scripts/install-deps.sh

deps-native:
	scripts/install-deps.sh native

deps-demo:
	scripts/install-deps.sh demo

build: deps-native
	cmake --preset native >/dev/null
	cmake --build --preset native

# The demo needs only the library and the simulator: no tests, no GoogleTest;
# the build preset builds the target tarvok-sim alone, which brings in the
# library.
run: deps-demo
	cmake --preset demo >/dev/null
	cmake --build --preset demo
	./build/demo/tarvok-sim

# Lanes: configure, build and test one preset each. win32 cross-builds
# tarvok.dll and runs its tests under wine.
sanitize m32 win32:
	cmake --preset $@ >/dev/null
	cmake --build --preset $@
	ctest --preset $@

native: build
	ctest --preset native

# The operator's zip: build/dist/tarvok-<version>-win32.zip.
dist:
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 --target dist

# Fuzzing (clang's libFuzzer with ASan and UBSan), one target at a time.
fuzz-build:
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz

fuzz: fuzz-build
	fuzz/run_fuzzers.sh $(FUZZ_SECONDS)

fuzz-short: fuzz-build
	fuzz/run_fuzzers.sh $(FUZZ_SHORT_SECONDS)

# Memcheck over the end-to-end tests and long simulator runs.
valgrind: build
	scripts/valgrind-check.sh

# Benchmarks in Release; the README's "Performance" figures come from here.
# Then the call timing host against the libraries as they ship: the native
# one (RelWithDebInfo) and the DLL under wine; last the replay rate of a
# generated million-row lag log.
bench:
	cmake --preset bench >/dev/null
	cmake --build --preset bench
	./build/bench/tarvok_bench
	cmake --preset native >/dev/null
	cmake --build --preset native --target tarvok_call_timing
	./build/native/tarvok_call_timing
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 --target tarvok_call_timing tarvok_wineprefix
	scripts/wine-run.sh build/win32/wineprefix build/win32/tarvok_call_timing.exe
	bench/evidence_times.sh build/bench

# The native lane runs last so that ctest's summary is the last line.
test: deps
	$(MAKE) --no-print-directory sanitize
	$(MAKE) --no-print-directory m32
	$(MAKE) --no-print-directory fuzz-short
	$(MAKE) --no-print-directory valgrind
	$(MAKE) --no-print-directory win32
	$(MAKE) --no-print-directory native

clean:
	rm -rf build
