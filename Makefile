# Set-up and everyday commands. `make demo` and `make test` work on a fresh Debian machine: they
# install what is missing first.

BUILD      := build/default
CI_BUILD   := build/ci
ASAN_BUILD := build/asan
FUZZ_BUILD := build/fuzz
FUZZ_SECONDS ?= 30
JOBS ?= $(shell nproc)

DEB_PACKAGES := cmake ninja-build g++ clang libclang-rt-dev libssl-dev libgtest-dev libgmock-dev \
                libbenchmark-dev libcli11-dev qt6-base-dev \
                libarchive-dev nlohmann-json3-dev chromium

.PHONY: all deps build test ci asan fuzz bench demo clean

all: build

deps:
	@missing=""; for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  sudo=""; [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	  $$sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -qq $$missing; \
	fi

$(BUILD)/build.ninja: | deps
	cmake --preset default

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --preset default -j $(JOBS)

# The tests built as in `make test`, but with shadowed names warned about and every warning an error;
# a test without a CTest label fails the check as well.
ci: deps
	[ -f $(CI_BUILD)/build.ninja ] || cmake --preset ci
	cmake --build $(CI_BUILD) -j $(JOBS)
	@unlabelled=$$(ctest --preset ci -N -LE . | sed -n 's/^Total Tests: //p'); \
	if [ "$$unlabelled" != 0 ]; then echo "Tests without a label:"; ctest --preset ci -N -LE .; exit 1; fi
	ctest --preset ci -j $(JOBS)

asan: deps
	[ -f $(ASAN_BUILD)/build.ninja ] || cmake --preset asan
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --preset asan -j $(JOBS)

fuzz: deps
	[ -f $(FUZZ_BUILD)/build.ninja ] || cmake --preset fuzz
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@for t in $$(cat $(FUZZ_BUILD)/fuzz_targets.txt); do \
	  echo "== $$t ($(FUZZ_SECONDS) s)"; \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t; \
	  seeds=""; [ -d tests/fuzz/corpus/$$t ] && seeds=tests/fuzz/corpus/$$t; \
	  $(FUZZ_BUILD)/tests/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 \
	    $(FUZZ_BUILD)/corpus/$$t $$seeds || exit 1; \
	done

bench: build
	@for t in $$(cat $(BUILD)/bench_targets.txt); do echo "== $$t"; $(BUILD)/bench/$$t || exit 1; done

# Builds only the programs the demonstration runs (upgrade-cli and the firewall simulator fwsim), not
# the tests and benchmarks.
demo: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target upgrade-cli fwsim
	sh data/demo.sh $(BUILD)

clean:
	rm -rf build
