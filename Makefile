# Set-up, build, run and test on a Debian 12 machine. Run as root or with sudo available.

BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
MUTANTS_BUILD ?= build-mutants
FUZZ_SECONDS ?= 60
PREFIX     ?= /usr/local
JOBS       ?= 2

PACKAGES := cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins qcoro-qt6-dev \
            libgl1-mesa-dev libxkbcommon-dev libgtest-dev libgmock-dev libbenchmark-dev \
            xvfb xauth fonts-dejavu-core clang-format openbox xdotool x11-utils ntfs-3g attr dosfstools \
            dpkg-dev binutils file groff-base desktop-file-utils appstream shared-mime-info libxml2-utils \
            lintian libglib2.0-bin python3 libsodium-dev

# Only `make fuzz` needs these: clang with its libFuzzer and sanitizer run-times.
FUZZ_PACKAGES := clang-14 libfuzzer-14-dev libclang-rt-14-dev
FUZZ_TARGETS := vxpheader vxpdecrypt masterpassword strongfile hotlist filepattern sealfile dosattrib handover

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps deps-fuzz install-packages configure build run test test-sanitize test-tsan bench fuzz fuzz-build format clean \
        install package mutants

deps:
	@$(MAKE) --no-print-directory install-packages WANTED="$(PACKAGES)"

deps-fuzz: deps
	@$(MAKE) --no-print-directory install-packages WANTED="$(FUZZ_PACKAGES)"

install-packages:
	@missing=$$(for p in $(WANTED); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing missing packages:" $$missing; \
	    $(SUDO) apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Starts the main program; until it is built, the password generator.
run: build
	@program=$(BUILD)/bin/vexapad; [ -x $$program ] || program=$(BUILD)/bin/vexa-generate; \
	if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "No display found: running $$(basename $$program) under a virtual display (Xvfb)."; \
	    xvfb-run -a $$program; \
	else \
	    $$program; \
	fi

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Installs the programs, their libraries, the guide, menu entries, file types, icons and manual
# pages under PREFIX (the tree can be moved as a whole).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in the build folder.
package: build
	cd $(BUILD) && cpack -G DEB

test-sanitize: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DVEXA_SANITIZE=ON -DVEXA_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The pass runner's tests (its worker thread against the window's thread) built with
# ThreadSanitizer; any report fails the test it comes from.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) $(CMAKE_FLAGS) -DVEXA_TSAN=ON -DVEXA_BUILD_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target crypt_runner_tests
	cd $(TSAN_BUILD) && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/support/tsan.supp \
	    ctest -R '^PassRunnerTest\.' --output-on-failure -j $(JOBS)

# Builds the fuzz targets with clang only (CI does, so a change clang cannot compile is caught).
fuzz-build: deps-fuzz
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) $(CMAKE_FLAGS) -DVEXA_FUZZ=ON -DVEXA_BUILD_TESTS=OFF \
	    -DVEXA_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz-targets

# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS, starting from its committed
# corpus (fuzz/corpus/NAME, only read) and growing a working one in $(FUZZ_BUILD)/corpus/NAME. An
# input that fails is written to $(FUZZ_BUILD)/findings/ and stops the run.
fuzz: fuzz-build
	mkdir -p $(FUZZ_BUILD)/findings
	for target in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_BUILD)/corpus/$$target && \
	    $(FUZZ_BUILD)/bin/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	        -artifact_prefix=$(FUZZ_BUILD)/findings/$$target- $(FUZZ_BUILD)/corpus/$$target fuzz/corpus/$$target \
	        || exit 1; \
	done

# Puts each slip of tests/mutants/mutations.txt, one at a time, into a copy of the sources in
# MUTANTS_BUILD and runs the tests on it: every slip must make a test fail. MUTANTS=id,id runs
# those alone. The working tree is only read.
mutants: deps
	python3 tests/mutants/mutants.py --build $(MUTANTS_BUILD) --jobs $(JOBS) $(if $(MUTANTS),--only $(MUTANTS))

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXA_BUILD_TESTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target benchmarks
	cmake --build $(BENCH_BUILD) --target run-benchmarks

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(MUTANTS_BUILD)
