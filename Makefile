# The two commands of the README: `make demo` runs the tool against the built-in radar
# simulator, `make test` builds and runs the whole test suite (normal and sanitizer builds on
# Qt 5, short fuzz runs, and a normal build on Qt 6).
# postgresql: the throwaway server the history's tests start (scripts/pg-test-server.sh).
BUILD_PACKAGES := cmake g++ make pkg-config ccache qtbase5-dev libqt5serialport5-dev qttools5-dev qttools5-dev-tools libqt5sql5-sqlite libqt5sql5-psql postgresql qttranslations5-l10n
RUN_PACKAGES := $(BUILD_PACKAGES) fonts-wqy-microhei
# The fuzz targets: clang and its runtimes (libFuzzer, address and undefined-behaviour checkers).
FUZZ_PACKAGES := cmake make pkg-config ccache qtbase5-dev clang libclang-rt-14-dev
# The same tree on Qt 6 (-DRADAR_QT=6).
QT6_PACKAGES := cmake g++ make pkg-config ccache qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libqt6sql6-sqlite libqt6sql6-psql postgresql qt6-translations-l10n
JOBS ?= 2
# The tests mostly wait on the simulated line (a whole normal run takes well under a minute of
# processor time), so many more of them than cores run side by side; the sanitizer build's tests
# need the processor more and run fewer at a time.
TEST_JOBS ?= 16
ASAN_TEST_JOBS ?= 8
# Compiled objects are kept between builds of any of the four folders (and of other clones of the
# repository on the same machine): paths are taken relative to the repository.
CMAKE_CACHE_FLAGS := -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
# How the demo's targets move: field (in the radar's own lane or fan, through its zones) or paths.
DEMO_SCENARIO ?= field

.PHONY: all deps demo test test-normal test-asan test-fuzz test-qt6 build-normal build-asan build-fuzz build-qt6 \
        check-normal check-asan check-fuzz check-qt6 bench clean

all: build/.configured
	cmake --build build -j$(JOBS)

deps:
	./scripts/install-deps.sh $(BUILD_PACKAGES)

build/.configured:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_CACHE_FLAGS)
	touch $@

build-asan/.configured:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRADAR_SANITIZE=ON $(CMAKE_CACHE_FLAGS)
	touch $@

build-fuzz/.configured:
	cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_CACHE_FLAGS)
	touch $@

build-qt6/.configured:
	cmake -S . -B build-qt6 -DRADAR_QT=6 -DRADAR_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_CACHE_FLAGS)
	touch $@

demo:
	./scripts/install-deps.sh $(RUN_PACKAGES)
	$(MAKE) all
	./scripts/demo.sh build $(DEMO_SCENARIO)

# Each stage is a build and a check; `make test-normal` and the like run one stage alone.
build-normal: deps build/.configured
	cmake --build build -j$(JOBS)

check-normal:
	cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(TEST_JOBS)

build-asan: deps build-asan/.configured
	cmake --build build-asan -j$(JOBS)

check-asan:
	cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(ASAN_TEST_JOBS)

build-fuzz:
	./scripts/install-deps.sh $(FUZZ_PACKAGES)
	$(MAKE) build-fuzz/.configured
	cmake --build build-fuzz -j$(JOBS)

# Every fuzz target for 20 s on a copy of its seeds, two at a time, and every committed input
# replayed once.
check-fuzz:
	cd build-fuzz && ctest --output-on-failure -j$(JOBS)

# The whole suite once more on Qt 6, in a normal build without the benchmarks.
build-qt6:
	./scripts/install-deps.sh $(QT6_PACKAGES)
	$(MAKE) build-qt6/.configured
	cmake --build build-qt6 -j$(JOBS)

check-qt6:
	cd build-qt6 && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(TEST_JOBS)

test-normal: build-normal
	$(MAKE) check-normal
test-asan: build-asan
	$(MAKE) check-asan
test-fuzz: build-fuzz
	$(MAKE) check-fuzz
test-qt6: build-qt6
	$(MAKE) check-qt6

# All four stages. The tests mostly wait on the simulated line, so each later stage's build runs
# beside the earlier stage's checks, at a lower priority, and the fuzz runs come last, alone
# (scripts/test-stages.sh). Each stage prints how long it took; any failure fails the run.
test:
	./scripts/install-deps.sh $(sort $(BUILD_PACKAGES) $(FUZZ_PACKAGES) $(QT6_PACKAGES))
	./scripts/test-stages.sh

bench: all
	./scripts/run-benchmarks.sh build

clean:
	rm -rf build build-asan build-fuzz build-qt6
