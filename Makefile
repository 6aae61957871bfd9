# Velumix: `make run` and `make test` are all a newcomer needs. Both install
# the missing Debian packages first.
BUILD ?= build
CMAKE_FLAGS ?= -G Ninja -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps build native native32 win32 win32t win64 test unit-test e2e-test run bench dist clean

all: build

deps:
	@scripts/install-deps.sh

build: deps native native32 win32 win32t win64

native:
	@cmake -S . -B $(BUILD)/native $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)/native

# The portable logic and its unit tests again as 32-bit code: the shipped
# program is 32-bit. They run natively where the kernel runs 32-bit code,
# under qemu-i386-static where it does not.
native32:
	@cmake -S . -B $(BUILD)/native32 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake >/dev/null
	@cmake --build $(BUILD)/native32

# The shipped program: built for size, without the tests and so without the
# threading library they need.
win32:
	@# a tree configured with another compiler keeps it: start that one afresh
	@grep -qs -- '-g++-win32"' $(BUILD)/win32/CMakeFiles/*/CMakeCXXCompiler.cmake || rm -rf $(BUILD)/win32
	@cmake -S . -B $(BUILD)/win32 $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DVELUMIX_TESTS=OFF -DVELUMIX_MINGW_THREADS=win32 >/dev/null
	@cmake --build $(BUILD)/win32

# The 32-bit test tree: the tools, the faulty build and the Windows
# integration tests that the shipped program's end-to-end pass runs.
win32t:
	@cmake -S . -B $(BUILD)/win32t $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
	@cmake --build $(BUILD)/win32t

win64:
	@cmake -S . -B $(BUILD)/win64 $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
	@cmake --build $(BUILD)/win64

test: build
	@scripts/test.sh $(BUILD)

run: build
	@scripts/run.sh

bench: build
	@scripts/bench.sh $(BUILD)

dist: build
	@scripts/dist.sh $(BUILD)

clean:
	rm -rf $(BUILD)
