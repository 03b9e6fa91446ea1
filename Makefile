# The two commands of the README: `make run` and `make test`.
BUILD      ?= build
TEST_BUILD ?= build/asan
FUZZ_BUILD ?= build/fuzz
JOBS       ?= 2
FUZZ_RUNS  ?= 20000
WIN_BUILD  ?= build/windows/cmake

.PHONY: deps build run test fuzz bench clean windows test-windows

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)/bin

# Every test: the sanitized build's unit, corpus and robustness tests and the
# window tests (under a virtual display), then each fuzz target for a short,
# fixed number of runs.
test: build
	@cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTAMLIX_SANITIZE=ON >/dev/null
	@cmake --build $(TEST_BUILD) -j$(JOBS)
	@cd $(TEST_BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory fuzz

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTAMLIX_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS)
	@bash fuzz/run.sh $(FUZZ_BUILD)/bin $(FUZZ_RUNS)

# Speed and memory measurements on the optimised build.
bench: build
	@$(BUILD)/bin/tamlix_bench_preview
	@xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/bin/tamlix_bench_paint /tmp/tamlix-bench-24mp.jpg

# The Windows program, cross-built with MinGW-w64 (its libraries once, into
# build/windows/deps): build/windows/bin and the zip of that folder.
windows:
	@bash scripts/windows-deps.sh
	@cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WIN_BUILD) -j$(JOBS) --target Tamlix tamlix-cli Vornik2
	@bash scripts/windows-package.sh $(WIN_BUILD)

# The Windows program's tests under Wine on a virtual display: the core
# suite, the companion against the Linux build over the corpus, and the
# window through real key events (WINDOW_TESTS=0 leaves the window out).
test-windows: windows build
	@cmake --build $(WIN_BUILD) -j$(JOBS)
	@bash scripts/windows-test.sh $(WIN_BUILD) $(BUILD)

clean:
	rm -rf $(BUILD)
