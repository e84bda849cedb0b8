# Front door. `make demo` and `make check` each install what they need first.
SHELL := /bin/bash
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := cmake g++ make clang libclang-rt-dev libprotobuf-c-dev protobuf-c-compiler libgtest-dev libgmock-dev \
            libbenchmark-dev libreadline-dev binutils
CMAKE_COMMON := -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_SECONDS ?= 30
PREFIX ?= /usr/local

.PHONY: deps demo check check-asan check-tsan check-fuzz bench install clean

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  export DEBIAN_FRONTEND=noninteractive; \
	  apt-get install -y -q $$missing || { apt-get update -q && apt-get install -y -q $$missing; }; \
	fi

build/release/Makefile: | deps
	cmake -S . -B build/release $(CMAKE_COMMON) -DFPSS_BUILD_TESTS=OFF

demo: deps build/release/Makefile
	cmake --build build/release -j $(JOBS)
	./examples/demo.sh build/release

check: deps check-asan check-tsan check-fuzz

check-asan: deps
	cmake -S . -B build/asan $(CMAKE_COMMON) -DFPSS_SANITIZE=address
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

check-tsan: deps
	cmake -S . -B build/tsan $(CMAKE_COMMON) -DFPSS_SANITIZE=thread
	cmake --build build/tsan -j $(JOBS) --target fpss_stress
	cd build/tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -L stress -j $(JOBS)

check-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_COMMON) -DFPSS_BUILD_TESTS=OFF -DFPSS_BUILD_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS)
	set -e; for f in build/fuzz/tests/fuzz/fuzz_*; do \
	  [ -x "$$f" ] || continue; echo "== $$f ($(FUZZ_SECONDS)s)"; \
	  mkdir -p build/fuzz/corpus/$$(basename $$f); \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 build/fuzz/corpus/$$(basename $$f); \
	done

bench: deps
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DFPSS_BUILD_TESTS=OFF -DFPSS_BUILD_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	./bench/run.sh build/bench

install: deps build/release/Makefile
	cmake --build build/release -j $(JOBS)
	cmake --install build/release --prefix $(PREFIX)

clean:
	rm -rf build
