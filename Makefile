# The two commands of the README: `make demo` runs the tool against the built-in radar
# simulator, `make test` builds and runs the whole test suite (normal and sanitizer builds).
BUILD_PACKAGES := cmake g++ make pkg-config qtbase5-dev libqt5serialport5-dev qttools5-dev qttools5-dev-tools
RUN_PACKAGES := $(BUILD_PACKAGES) fonts-wqy-microhei
JOBS ?= 2
# The tests mostly wait on the simulated line, so more of them than cores run side by side.
TEST_JOBS ?= 4

.PHONY: all deps demo test test-normal test-asan bench clean

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

demo:
	./scripts/install-deps.sh $(RUN_PACKAGES)
	$(MAKE) all
	./scripts/demo.sh build

test-normal: deps build/.configured
	cmake --build build -j$(JOBS)
	cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(TEST_JOBS)

test-asan: deps build-asan/.configured
	cmake --build build-asan -j$(JOBS)
	cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(TEST_JOBS)

test:
	$(MAKE) test-normal
	$(MAKE) test-asan

bench: all
	./scripts/run-benchmarks.sh build

clean:
	rm -rf build build-asan
