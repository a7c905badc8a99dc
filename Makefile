# make run    builds and starts Quorventile under Wine (Xvfb when no display)
# make test   builds both architectures and runs both trees' tests at once
# make test-shuffled  the same, each test program three times in shuffled order
# make bench  builds and runs the benchmarks
# Each first installs what is missing (tools/setup.sh).

BUILD := build
CMAKE_ARGS := -G Ninja -DCMAKE_BUILD_TYPE=Release

.PHONY: all setup build run test test-shuffled bench dist clean

all: build

setup:
	@./tools/setup.sh

$(BUILD)/i686/build.ninja:
	cmake -S . -B $(BUILD)/i686 $(CMAKE_ARGS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake

$(BUILD)/x86_64/build.ninja:
	cmake -S . -B $(BUILD)/x86_64 $(CMAKE_ARGS) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake

build: setup $(BUILD)/i686/build.ninja $(BUILD)/x86_64/build.ninja
	cmake --build $(BUILD)/i686
	cmake --build $(BUILD)/x86_64
	@./tools/make-dist.sh

run: build
	@./tools/run.sh

test: build
	@./tools/run-tests.sh

# GoogleTest reads these from the environment, and Wine passes it on; the
# time-outs grow with the repeat (cmake/RepeatedTestTimeouts.cmake).
test-shuffled: build
	@GTEST_SHUFFLE=1 GTEST_REPEAT=3 ./tools/run-tests.sh

bench: build
	@./tools/run-bench.sh

clean:
	rm -rf $(BUILD)/i686 $(BUILD)/x86_64 $(BUILD)/wine $(BUILD)/wine32 $(BUILD)/test-logs dist
