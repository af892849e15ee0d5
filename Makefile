# Makefile: thin wrapper over CMake and CTest. `make test` is the one command that builds
# and runs every test, in a Release build and in a sanitizer build.
BUILD ?= build
JOBS ?= 2
FUZZ_SECONDS ?= 600

PREFIX ?= /usr/local

.PHONY: install package test deps release sanitize test-release test-sanitize test-threads fuzz fuzz-ci fuzz-build bench clean run run-ondrel pictures models

test: deps test-threads test-release test-sanitize

deps:
	@scripts/install-deps

release:
	cmake -S . -B $(BUILD)/release -DCMAKE_BUILD_TYPE=Release -DSTEREO_WERROR=ON
	cmake --build $(BUILD)/release -j$(JOBS)

sanitize:
	cmake -S . -B $(BUILD)/sanitize -DCMAKE_BUILD_TYPE=Debug -DSTEREO_SANITIZE=ON -DSTEREO_WERROR=ON -DSTEREO_BUILD_BENCH=OFF
	cmake --build $(BUILD)/sanitize -j$(JOBS)

# the model library's tests under ThreadSanitizer: its reads use threads, and two reads may run at once
test-threads:
	cmake -S . -B $(BUILD)/threads -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTEREO_TSAN=ON -DSTEREO_WERROR=ON -DSTEREO_BUILD_BENCH=OFF
	cmake --build $(BUILD)/threads -j$(JOBS) --target glm_tests
	TSAN_OPTIONS=halt_on_error=1 $(BUILD)/threads/tests/glm_tests --gtest_filter='ObjReader.*:ObjChunks.*:MtlReader.*'

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

# the programs: Tavrin on the sample model with materials, and Ondrel
run: deps release
	$(BUILD)/release/Tavrin models/scene.obj

run-ondrel: deps release
	$(BUILD)/release/Ondrel

# both eyes of each program side by side, from the real programs' emulated eye buffers
pictures: release
	$(BUILD)/release/tests/tools/tavrin_pictures models/scene.obj docs/tavrin-eyes.png \
	    docs/tavrin-anaglyph.png docs/tavrin-side-by-side.png docs/tavrin-row-interlaced.png
	$(BUILD)/release/tests/tools/ondrel_pictures docs/ondrel-eyes.png 30

# the sample model of about a million triangles (generated, not kept in git)
models: release
	$(BUILD)/release/bench/gen_obj full models
	mv models/full.obj models/torus-1m.obj
	sed -i 's/mtllib full.mtl/mtllib torus-1m.mtl/' models/torus-1m.obj
	mv models/full.mtl models/torus-1m.mtl

# installs both programs with their desktop entries, icon and manual pages
install: deps release
	cmake --install $(BUILD)/release --prefix $(PREFIX)

# a Debian package of both programs, with computed dependencies
package: deps release
	cd $(BUILD)/release && rm -f *.deb && cpack -G DEB

bench: release
	bench/run_read.sh $(BUILD)/release 5
	bench/run_startup.sh $(BUILD)/release 5
	$(BUILD)/release/bench/bench_geometry bench/data/full.obj 5
	$(BUILD)/release/bench/bench_geometry bench/data/positions.obj 3
	$(BUILD)/release/bench/bench_frames bench/data/full.obj 10
	bench/run_fluid.sh $(BUILD)/release
	$(BUILD)/release/bench/bench_demo_frames 200
	$(BUILD)/release/bench/bench_compose models/scene.obj 60

clean:
	rm -rf $(BUILD)
