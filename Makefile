# Patchwarden: the whole set-up on a fresh Debian 12 machine is
#   make run    build and start the program
#   make test   build and run the test suite, then the sanitizer builds of it

SHELL := /bin/bash
JOBS ?= 2
PACKAGES := cmake g++ make pkg-config qt6-base-dev libasound2-dev libgtest-dev libgmock-dev \
            libbenchmark-dev clang libclang-rt-14-dev xvfb xauth fonts-dejavu-core
# CI builds treat warnings as errors.
WERROR := $(if $(CI),ON,OFF)
CMAKE_COMMON := -DPW_WERROR=$(WERROR)
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_parse_message fuzz_split_messages fuzz_request_text fuzz_library fuzz_syx_file

.PHONY: run test deps build build-asan build-tsan bench fuzz clean

# Installs the Debian packages the build needs when any is missing.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -z "$$missing" ]; then exit 0; fi; \
	if [ "$$(id -u)" = 0 ]; then sudo=""; \
	elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then sudo="sudo"; \
	else \
	  echo "Patchwarden needs some Debian packages. Run this line, then try again:"; \
	  echo "  sudo apt-get update && sudo apt-get install -y$$missing"; \
	  exit 1; \
	fi; \
	echo "Installing:$$missing"; \
	$$sudo apt-get update && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y$$missing

build: deps
	cmake -S . -B build $(CMAKE_COMMON)
	cmake --build build -j$(JOBS)

run: build
	@if [ ! -x build/ui/patchwarden ]; then echo "Patchwarden has no window yet."; exit 0; fi; \
	if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then build/ui/patchwarden; \
	else echo "No display: starting Patchwarden under xvfb-run."; xvfb-run -a build/ui/patchwarden; fi

build-asan: deps
	cmake -S . -B build-asan $(CMAKE_COMMON) -DPW_SANITIZE=ON -DPW_BENCH=OFF
	cmake --build build-asan -j$(JOBS)

# ThreadSanitizer runs the transport tests only (Qt is not built for it).
build-tsan: deps
	cmake -S . -B build-tsan $(CMAKE_COMMON) -DPW_TSAN=ON -DPW_BENCH=OFF -DPW_UI=OFF
	cmake --build build-tsan -j$(JOBS)

test: build build-asan build-tsan
	cd build && ctest --output-on-failure -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j$(JOBS) -L midi

bench: build
	@for b in build/bench/*/bench_*; do [ -x "$$b" ] && { echo "== $$b"; "$$b"; }; done; true

# libFuzzer targets, each run for FUZZ_SECONDS. A failing input is kept in
# build-fuzz/artifacts/<target>/ and the fuzzer's report is shown.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPW_FUZZ=ON -DPW_WERROR=$(WERROR)
	cmake --build build-fuzz -j$(JOBS)
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t build-fuzz/artifacts/$$t; \
	  echo "== $$t for $(FUZZ_SECONDS) s"; \
	  if build-fuzz/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	       -artifact_prefix=build-fuzz/artifacts/$$t/ \
	       build-fuzz/corpus/$$t $$( [ -d fuzz/corpus/$$t ] && echo fuzz/corpus/$$t ) \
	       > build-fuzz/$$t.log 2>&1; then \
	    tail -n 12 build-fuzz/$$t.log; \
	  else \
	    tail -n 80 build-fuzz/$$t.log; \
	    echo "$$t failed: input kept in build-fuzz/artifacts/$$t/, full report in build-fuzz/$$t.log"; \
	    exit 1; \
	  fi; \
	done

clean:
	rm -rf build build-asan build-tsan build-fuzz
