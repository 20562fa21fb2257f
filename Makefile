# Quick start: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
SAN_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

.PHONY: all deps build run test sanitize fuzz fuzz-smoke bench screenshot clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/ui/corvane ]; then \
	  $(BUILD)/ui/corvane; \
	else \
	  echo "The window is not built yet; corvane-batch is in $(BUILD)/app."; \
	fi

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_BENCH=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -L unit

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCORVANE_FUZZ=ON -DCORVANE_UI=OFF -DCORVANE_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets

# Each fuzz target for FUZZ_SECONDS, seeded from the test images in tests/data.
fuzz-smoke: fuzz
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	scripts/run-benchmarks $(BUILD)

# The real window under Xvfb, written to docs/screenshot.png.
screenshot: build
	scripts/screenshot $(BUILD) docs/screenshot.png

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
