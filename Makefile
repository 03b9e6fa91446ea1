# The two commands of the README: `make run` and `make test`.
BUILD      ?= build
TEST_BUILD ?= build/asan
FUZZ_BUILD ?= build/fuzz
JOBS       ?= 2
FUZZ_RUNS  ?= 20000
FUZZ_SECONDS ?= 300

.PHONY: deps build run test fuzz fuzz-soak fuzz-build bench clean package

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

clean:
	rm -rf $(BUILD)

# tamlix-cli against jhead, Exiv2, ExifTool and cp + sync over thousands of
# photos (bench/peers.sh; PEERS_NAMES, PEERS_RUNS and the others scale it).
.PHONY: bench-peers
bench-peers:
	@BUILD=$(BUILD) JOBS=$(JOBS) bash bench/peers.sh
