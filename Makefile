# The two commands of the README: `make demo` runs the tool against the built-in radar
# simulator, `make test` builds and runs the whole test suite (normal and sanitizer builds).
BUILD_PACKAGES := cmake g++ make pkg-config qtbase5-dev libqt5serialport5-dev qttools5-dev qttools5-dev-tools
RUN_PACKAGES := $(BUILD_PACKAGES) fonts-wqy-microhei
# The fuzz targets: clang and its runtimes (libFuzzer, address and undefined-behaviour checkers).
FUZZ_PACKAGES := cmake make pkg-config qtbase5-dev clang libclang-rt-14-dev
JOBS ?= 2
# The tests mostly wait on the simulated line, so more of them than cores run side by side.
TEST_JOBS ?= 4
# How the demo's targets move: field (in the radar's own lane or fan, through its zones) or paths.
DEMO_SCENARIO ?= field

.PHONY: all deps demo test test-normal test-asan test-fuzz bench clean

all: build/.configured
	cmake --build build -j$(JOBS)

deps:
	./scripts/install-deps.sh $(BUILD_PACKAGES)

build/.configured:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	touch $@

build-asan/.configured:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRADAR_SANITIZE=ON
	touch $@

build-fuzz/.configured:
	cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	touch $@

demo:
	./scripts/install-deps.sh $(RUN_PACKAGES)
	$(MAKE) all
	./scripts/demo.sh build $(DEMO_SCENARIO)

test-normal: deps build/.configured
	cmake --build build -j$(JOBS)
	cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(TEST_JOBS)

test-asan: deps build-asan/.configured
	cmake --build build-asan -j$(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(TEST_JOBS)

# Every fuzz target for 20 s on a copy of its seeds, two at a time, and every committed input
# replayed once.
test-fuzz:
	./scripts/install-deps.sh $(FUZZ_PACKAGES)
	$(MAKE) build-fuzz/.configured
	cmake --build build-fuzz -j$(JOBS)
	cd build-fuzz && ctest --output-on-failure -j$(JOBS)

test:
	$(MAKE) test-normal
	$(MAKE) test-asan
	$(MAKE) test-fuzz

bench: all
	./scripts/run-benchmarks.sh build

clean:
	rm -rf build build-asan
