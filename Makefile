# gatepoint: the commands of the README. Each installs the Debian packages it
# needs when they are missing, then builds into build/.

BUILD      ?= build
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

BUILD_PACKAGES := cmake g++ make pkg-config ccache qtbase5-dev qttools5-dev qttools5-dev-tools libqt5svg5-dev \
                  qttranslations5-l10n libx11-dev fonts-dejavu-core
# Issuer signatures on backgrounds (-DGATEPOINT_ISSUER_SIGNATURE=ON, and the
# tests that check them).
ISSUER_PACKAGES := libsodium-dev
TEST_PACKAGES  := xvfb xauth xdotool x11-utils icewm openbox g++-mingw-w64-x86-64 xorriso time \
                  desktop-file-utils groff-base
RUN_PACKAGES   := xvfb xauth x11-utils
ASAN_PACKAGES  := clang libclang-rt-14-dev
BENCH_PACKAGES := valgrind strace xvfb xauth lxqt-panel plank tint2
FORMAT_PACKAGES := clang-format
FORMATTED = $(shell git ls-files '*.cpp' '*.h')

define ensure_packages
	@missing=""; for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing Debian packages:$$missing"; \
	  if [ "$$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi; \
	  $$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

.PHONY: all deps build run test test-asan fuzz bench format format-check clean

all: build

deps:
	$(call ensure_packages,$(BUILD_PACKAGES) $(ISSUER_PACKAGES))

build: deps
	cmake -S . -B $(BUILD) -DGATEPOINT_TESTS=ON $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(call ensure_packages,$(RUN_PACKAGES))
	@scripts/run-demo.sh $(BUILD)

test: build
	$(call ensure_packages,$(TEST_PACKAGES))
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan:
	$(call ensure_packages,$(BUILD_PACKAGES) $(ISSUER_PACKAGES) $(TEST_PACKAGES) $(ASAN_PACKAGES))
	# Leak checking stays off: Qt's platform plugins keep their screens and
	# fonts until exit and LeakSanitizer reports them; memory errors and
	# undefined behaviour stop the run.
	ASAN_OPTIONS=detect_leaks=0:halt_on_error=1:abort_on_error=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	$(MAKE) test BUILD=build-asan CMAKE_ARGS="-DGATEPOINT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

fuzz:
	$(call ensure_packages,$(BUILD_PACKAGES) $(ASAN_PACKAGES))
	@scripts/run-fuzz.sh

format:
	$(call ensure_packages,$(FORMAT_PACKAGES))
	@clang-format -i $(FORMATTED)

format-check:
	$(call ensure_packages,$(FORMAT_PACKAGES))
	@clang-format --dry-run --Werror $(FORMATTED)

bench: build
	$(call ensure_packages,$(BENCH_PACKAGES))
	@scripts/run-bench.sh $(BUILD)

clean:
	rm -rf build build-asan build-fuzz
