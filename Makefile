# Two commands do all the set-up on a fresh Debian 12 machine:
#   make run    builds, installs into PREFIX and starts the program
#   make test   builds and runs every test
PREFIX ?= $(HOME)/.local/opt/nudgelark
BUILD  ?= build
JOBS   ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps test-deps build install run test test-asan bench fuzz uninstall clean deb

all: build

deps:
	@bash scripts/install-deps.sh

test-deps:
	@bash scripts/install-deps.sh test

$(BUILD)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"
	@bash scripts/install-desktop.sh "$(PREFIX)"

run: install
	@echo "Starting $(PREFIX)/nudgelark"
	@cd "$(PREFIX)" && (nohup ./nudgelark >/dev/null 2>&1 &)

test: test-deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j 2

test-asan: test-deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNUDGELARK_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j 2

bench: install
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DNUDGELARK_BUILD_TESTS=OFF -DNUDGELARK_BUILD_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; echo "== $$b"; $$b || exit 1; done
	@if [ -x bench/idle.sh ]; then bash bench/idle.sh "$(PREFIX)"; fi
	@if [ -x bench/ontime.sh ]; then bash bench/ontime.sh "$(PREFIX)"; fi
	@if [ -x bench/clockjump.sh ]; then bash bench/clockjump.sh "$(PREFIX)"; fi

fuzz:
	@bash scripts/install-deps.sh fuzz
	@bash fuzz/run.sh $(FUZZ_SECONDS)

# The Debian package, for every user of the machine: $(BUILD)/nudgelark_VERSION_ARCH.deb
deb: build
	@bash scripts/install-deps.sh deb
	@bash scripts/make-deb.sh $(BUILD)

uninstall:
	@bash scripts/uninstall.sh "$(PREFIX)"

clean:
	rm -rf $(BUILD) build-asan build-bench build-fuzz
