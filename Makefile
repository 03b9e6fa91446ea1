# The two commands of the README: `make run` and `make test`.
BUILD      ?= build
TEST_BUILD ?= build/asan
FUZZ_BUILD ?= build/fuzz
JOBS       ?= 2
FUZZ_RUNS  ?= 20000
FUZZ_SECONDS ?= 300
WIN_BUILD  ?= build/windows/cmake

.PHONY: deps build run test fuzz fuzz-soak fuzz-build bench clean package windows test-windows

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
	@cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTAMLIX_SANITIZE=ON -DTAMLIX_WERROR=ON >/dev/null
	@cmake --build $(TEST_BUILD) -j$(JOBS)
	@cd $(TEST_BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory fuzz
	@$(MAKE) --no-print-directory package
	@bash tests/package/check-package.sh $(BUILD)

fuzz: fuzz-build
	@bash fuzz/run.sh $(FUZZ_BUILD)/bin $(FUZZ_RUNS)

# Each fuzz target in turn for FUZZ_SECONDS (one core at a time).
fuzz-soak: fuzz-build
	@bash fuzz/run.sh $(FUZZ_BUILD)/bin $(FUZZ_RUNS) $(FUZZ_SECONDS)

fuzz-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTAMLIX_FUZZ=ON -DTAMLIX_WERROR=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS)

# A Debian package of the optimised build: $(BUILD)/tamlix_<version>_<arch>.deb
package: build
	@cd $(BUILD) && cpack -G DEB >/dev/null
	@ls -t $(BUILD)/tamlix_*.deb | head -n 1

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
# Without the window tests, their programs are not built either.
WIN_TEST_TARGETS = $(if $(filter 0,$(WINDOW_TESTS)),--target tamlix_core_tests tamlix_text_table)
test-windows: windows build
	@cmake --build $(WIN_BUILD) -j$(JOBS) $(WIN_TEST_TARGETS)
	@bash scripts/windows-test.sh $(WIN_BUILD) $(BUILD)

clean:
	rm -rf $(BUILD)

# tamlix-cli against jhead, Exiv2, ExifTool and cp + sync over thousands of
# photos (bench/peers.sh; PEERS_NAMES, PEERS_RUNS and the others scale it).
.PHONY: bench-peers
bench-peers:
	@BUILD=$(BUILD) JOBS=$(JOBS) bash bench/peers.sh
