# The two commands of the README:
#   make run   build natively, then run the arena simulator's demo
#   make test  install what is missing, build every lane, run every test
# Each lane is a CMake preset with its own folder under build/.

.PHONY: all build run test deps native sanitize m32 clean

all: build

deps:
	scripts/install-deps.sh

build:
	cmake --preset native >/dev/null
	cmake --build --preset native

run: build
	./build/native/tarvok-sim

# Lanes: configure, build and test one preset each.
sanitize m32:
	cmake --preset $@ >/dev/null
	cmake --build --preset $@
	ctest --preset $@

native: build
	ctest --preset native

# The native lane runs last so that ctest's summary is the last line.
test: deps
	$(MAKE) --no-print-directory sanitize
	$(MAKE) --no-print-directory m32
	$(MAKE) --no-print-directory native

clean:
	rm -rf build
