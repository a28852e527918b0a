# Tessaro: the two set-up commands are `make demo` and `make test`.
# Run as root on a fresh Debian 12 machine, they install what is missing.

BUILD       ?= build
ASAN_BUILD  ?= build-asan
CLANG_BUILD ?= build-clang
JOBS        ?= $(shell nproc)
CMAKE_FLAGS ?=

# What the build, the tests, the benchmarks, the demo and the fuzz runs
# (Clang with libFuzzer and the sanitizer runtimes) need from Debian.
PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            qt6-base-dev libgl-dev libfftw3-dev libkissfft-dev xvfb x11-apps \
            fonts-dejavu-core python3 python3-dev pybind11-dev python3-numpy \
            python3-pytest python3-scipy \
            clang-14 libclang-rt-14-dev \
            libcli11-dev libsndfile1-dev nlohmann-json3-dev clang

FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 300
SOAK_SAMPLES ?= 100000000

.PHONY: all deps configure build asan clang test demo perf bench references fuzz soak clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing: $$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	  else \
	    echo "Missing Debian packages (run as root to install): $$missing"; \
	  fi; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTESSARO_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARO_SANITIZE=ON \
	      -DTESSARO_WERROR=ON -DTESSARO_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Everything but the benchmarks built with Clang (GCC's standard library) and every
# test run.
clang: deps
	cmake -S . -B $(CLANG_BUILD) -DCMAKE_BUILD_TYPE=Release -DTESSARO_WERROR=ON \
	      -DCMAKE_CXX_COMPILER=clang++ -DTESSARO_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(CLANG_BUILD) -j $(JOBS)
	cd $(CLANG_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

test: build asan
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) clang

demo: build
	./scripts/demo.sh $(BUILD)/iir/IIR

perf: build
	./scripts/demo.sh $(BUILD)/perf/Perfomance

bench: build
	./scripts/bench.sh $(BUILD)

# Every fuzz target built with Clang for libFuzzer under ASan+UBSan, its
# corpus replayed, then run coverage-guided for FUZZ_SECONDS each.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
	      -DTESSARO_FUZZ=ON -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_BENCH=OFF \
	      -DTESSARO_BUILD_PROGRAMS=OFF -DTESSARO_BUILD_PYTHON=OFF -DTESSARO_INSTALL=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j $(JOBS)
	./scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The IIR window's sample path through SOAK_SAMPLES samples (the tests run
# a short form).
soak: configure
	cmake --build $(BUILD) -j $(JOBS) --target test_iir_soak
	QT_QPA_PLATFORM=offscreen TESSARO_SOAK_SAMPLES=$(SOAK_SAMPLES) $(BUILD)/tests/iir/test_iir_soak

# Regenerates the committed reference data (needs python3-scipy, python3-mpmath).
references:
	@if [ "$$(id -u)" = 0 ]; then apt-get install -y -qq --no-install-recommends python3-scipy python3-mpmath; fi
	for s in $$(find tests -path "*/reference/*.py" | sort); do /usr/bin/python3 $$s || exit 1; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(CLANG_BUILD) $(FUZZ_BUILD)
