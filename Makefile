# Makefile: thin wrapper over CMake and CTest. `make test` is the one command that builds
# and runs every test, in a Release build and in a sanitizer build.
BUILD ?= build
JOBS ?= 2
FUZZ_SECONDS ?= 600

.PHONY: test deps release sanitize test-release test-sanitize fuzz fuzz-ci fuzz-build bench clean

test: deps test-release test-sanitize

deps:
	@scripts/install-deps

release:
	cmake -S . -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release -DSTEREO_WERROR=ON
	cmake --build $(BUILD)/release -j$(JOBS)

sanitize:
	cmake -S . -B $(BUILD)/sanitize -DCMAKE_BUILD_TYPE=Debug -DSTEREO_SANITIZE=ON -DSTEREO_WERROR=ON -DSTEREO_BUILD_BENCH=OFF
	cmake --build $(BUILD)/sanitize -j$(JOBS)

test-release: release
	ctest --test-dir $(BUILD)/release --output-on-failure -j$(JOBS)

test-sanitize: sanitize
	ctest --test-dir $(BUILD)/sanitize --output-on-failure -j$(JOBS)

fuzz-build: deps
	CXX=clang++ cmake -S . -B $(BUILD)/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTEREO_FUZZ=ON \
	    -DSTEREO_BUILD_TESTS=OFF -DSTEREO_BUILD_BENCH=OFF
	cmake --build $(BUILD)/fuzz -j$(JOBS) --target fuzz_readers

# a long run that keeps its corpus in fuzz-corpus/ between runs
fuzz: fuzz-build
	mkdir -p fuzz-corpus
	$(BUILD)/fuzz/tests/fuzz/fuzz_readers -close_fd_mask=3 -max_total_time=$(FUZZ_SECONDS) \
	    fuzz-corpus tests/fuzz/seeds

# the short, fixed-seed run of CI
fuzz-ci: fuzz-build
	rm -rf $(BUILD)/fuzz-corpus && mkdir -p $(BUILD)/fuzz-corpus
	$(BUILD)/fuzz/tests/fuzz/fuzz_readers -close_fd_mask=3 -seed=1 -max_total_time=60 \
	    $(BUILD)/fuzz-corpus tests/fuzz/seeds

bench: release
	$(BUILD)/release/bench/bench_read

clean:
	rm -rf $(BUILD)
