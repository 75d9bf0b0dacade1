# Kinetra: the two commands a newcomer needs are `make run` and `make test`.
BUILD      ?= build
BUILD_TYPE ?= Release
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
GENERATOR  := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

# Headless test environment: offscreen platform, fixed DPI, no high-DPI scaling.
TEST_ENV := QT_QPA_PLATFORM=offscreen QT_ENABLE_HIGHDPI_SCALING=0 QT_FONT_DPI=96

.PHONY: all deps configure build run test bench fuzz fuzz-ci fuzz-long asan walk walk-asan install package clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(if $(wildcard $(BUILD)/CMakeCache.txt),,$(GENERATOR)) \
	  -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/kinetra

test: build
	$(TEST_ENV) ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do \
	  if [ -f "$$b" ] && [ -x "$$b" ]; then "$$b" || exit 1; fi; \
	done

# AddressSanitizer and UndefinedBehaviorSanitizer build of everything, with the whole suite.
asan: deps
	cmake -S . -B build-asan $(if $(wildcard build-asan/CMakeCache.txt),,$(GENERATOR)) \
	  -DCMAKE_BUILD_TYPE=Debug -DKINETRA_SANITIZE=ON -DKINETRA_BUILD_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	$(TEST_ENV) ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# libFuzzer targets (clang); FUZZ_SECONDS each, FUZZ_AT_ONCE side by side.
FUZZ_SECONDS ?= 300
FUZZ_AT_ONCE ?= 1
FUZZ_LONG_SECONDS ?= 1800
fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz $(if $(wildcard build-fuzz/CMakeCache.txt),,$(GENERATOR)) \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKINETRA_BUILD_FUZZ=ON -DKINETRA_BUILD_GUI=OFF \
	  -DKINETRA_BUILD_TESTS=OFF -DKINETRA_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS)
	bash scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_AT_ONCE)

fuzz-ci:
	$(MAKE) fuzz FUZZ_SECONDS=30

# A campaign: every target for FUZZ_LONG_SECONDS, two at a time, executions per target.
fuzz-long:
	$(MAKE) fuzz FUZZ_SECONDS=$(FUZZ_LONG_SECONDS) FUZZ_AT_ONCE=2

install: build
	cmake --install $(BUILD)

package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) build-asan build-fuzz

# Random walks through the windows (offscreen): WALKS walks of WALK_STEPS steps from seed
# WALK_FIRST; failing walks are shrunk and written to $(BUILD)/walks/walk-<seed>.txt.
WALKS      ?= 200
WALK_FIRST ?= 1
WALK_STEPS ?= 200
walk: build
	mkdir -p $(BUILD)/walks
	$(TEST_ENV) XDG_RUNTIME_DIR=$(CURDIR)/$(BUILD)/xdg-runtime ./$(BUILD)/tests/walk/kinetra-walk \
	  --walks $(WALKS) --first $(WALK_FIRST) --steps $(WALK_STEPS) --out $(BUILD)/walks

# The same walks in the AddressSanitizer and UndefinedBehaviorSanitizer build.
walk-asan: deps
	cmake -S . -B build-asan $(if $(wildcard build-asan/CMakeCache.txt),,$(GENERATOR)) \
	  -DCMAKE_BUILD_TYPE=Debug -DKINETRA_SANITIZE=ON -DKINETRA_BUILD_BENCH=OFF
	cmake --build build-asan -j $(JOBS) --target kinetra-walk
	mkdir -p build-asan/walks
	$(TEST_ENV) XDG_RUNTIME_DIR=$(CURDIR)/build-asan/xdg-runtime \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ./build-asan/tests/walk/kinetra-walk \
	  --walks $(WALKS) --first $(WALK_FIRST) --steps $(WALK_STEPS) --out build-asan/walks
