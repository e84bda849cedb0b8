# Front door. `make demo` and `make check` each install what they need first.
SHELL := /bin/bash
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := cmake g++ make clang libclang-rt-dev libprotobuf-c-dev protobuf-c-compiler libgtest-dev libgmock-dev \
            libbenchmark-dev libglib2.0-dev libreadline-dev binutils clang-format clang-tidy pkg-config
CMAKE_COMMON := -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_SECONDS ?= 20
PREFIX ?= /usr/local

.PHONY: deps demo check check-asan check-consumer check-tsan check-fuzz bench coverage deb format format-check lint install clean

# The project's own sources: what `make format` rewrites and `make lint` checks. The
# public headers keep their hand-aligned documentation layout and are not reformatted.
FORMAT_FILES = $(shell git ls-files -- 'app/*.cpp' 'app/*.h' 'platform/*.cpp' 'platform/*.h' \
                 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' 'tests/*.c' 'bench/*.cpp' 2>/dev/null)
LINT_FILES = $(shell git ls-files -- 'app/*.cpp' 'platform/*.cpp' 'tools/*.cpp' 2>/dev/null)

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

check: deps check-asan check-consumer check-tsan check-fuzz

check-asan: deps
	cmake -S . -B build/asan $(CMAKE_COMMON) -DFPSS_SANITIZE=address -DFPSS_WERROR=ON
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# A module built against the installed (sanitized) library, through pkg-config
# and through find_package(fpss), packs and unpacks resource records. Kept out
# of CTest: it builds whole projects and tests the packaging, not the code.
check-consumer: check-asan
	ASAN_OPTIONS=detect_leaks=1 tests/consumer/run.sh build/asan cc -fsanitize=address,undefined \
	  -fno-sanitize-recover=undefined -fno-omit-frame-pointer

check-tsan: deps
	cmake -S . -B build/tsan $(CMAKE_COMMON) -DFPSS_SANITIZE=thread
	cmake --build build/tsan -j $(JOBS) --target fpss_stress
	cd build/tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -L stress -j $(JOBS)

# Each fuzz target for FUZZ_SECONDS (the seven together about three minutes),
# starting from its seeds in tests/data/fuzz/<target>, which libFuzzer only
# reads: the inputs it finds go into build/fuzz/corpus/<target> (the first
# directory named), crashing ones into build/fuzz/artifacts/.
check-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_COMMON) -DFPSS_BUILD_TESTS=OFF -DFPSS_BUILD_FUZZ=ON
	cmake --build build/fuzz -j $(JOBS)
	set -e; mkdir -p build/fuzz/artifacts; for f in build/fuzz/tests/fuzz/fuzz_*; do \
	  [ -f "$$f" ] && [ -x "$$f" ] || continue; name=$$(basename "$$f"); echo "== $$name ($(FUZZ_SECONDS)s)"; \
	  mkdir -p build/fuzz/corpus/$$name; seeds=tests/data/fuzz/$$name; [ -d "$$seeds" ] || seeds=; \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
	    -artifact_prefix=build/fuzz/artifacts/$$name- build/fuzz/corpus/$$name $$seeds; \
	done

bench: deps
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DFPSS_BUILD_TESTS=OFF -DFPSS_BUILD_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	./bench/run.sh build/bench
	build/bench/bench/ratios/bench_ratios

# Line and branch coverage of the library by the whole suite (gcovr).
coverage: deps
	@command -v gcovr >/dev/null 2>&1 || { export DEBIAN_FRONTEND=noninteractive; apt-get install -y -q gcovr || { apt-get update -q && apt-get install -y -q gcovr; }; }
	cmake -S . -B build/coverage -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS="--coverage -fprofile-update=atomic" \
	  -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage
	cmake --build build/coverage -j $(JOBS)
	find build/coverage -name '*.gcda' -delete
	cd build/coverage && ctest -j $(JOBS) >/dev/null || { ctest --rerun-failed --output-on-failure; exit 1; }
	gcovr -r . build/coverage --filter 'app/' --exclude-throw-branches --exclude-unreachable-branches \
	  --print-summary --txt build/coverage/coverage.txt
	@grep -E '^(app/|TOTAL)' build/coverage/coverage.txt

# Debian packages under build/deb, then a check that unpacks them into a
# scratch root and lists what each one holds.
deb: deps
	@command -v dpkg-shlibdeps >/dev/null 2>&1 || { export DEBIAN_FRONTEND=noninteractive; apt-get install -y -q dpkg-dev || { apt-get update -q && apt-get install -y -q dpkg-dev; }; }
	cmake -S . -B build/deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFPSS_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build build/deb -j $(JOBS)
	cd build/deb && cpack -G DEB
	tests/packaging/check_debs.sh build/deb

# clang-format over the project's sources, in place.
format: deps
	clang-format -i $(FORMAT_FILES)

# Fails on any formatting difference or clang-tidy finding.
format-check: deps
	clang-format --dry-run -Werror $(FORMAT_FILES)

lint: deps format-check
	cmake -S . -B build/lint -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DFPSS_BUILD_TESTS=OFF
	cmake --build build/lint -j $(JOBS) --target fpss_proto
	printf '%s\n' $(LINT_FILES) | xargs -P $(JOBS) -n 4 clang-tidy -p build/lint --quiet

install: deps build/release/Makefile
	cmake --build build/release -j $(JOBS)
	cmake --install build/release --prefix $(PREFIX)

clean:
	rm -rf build
