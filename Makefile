# Entry points for newcomers and CI. Each target installs what it needs first.
PRESET ?= release
JOBS ?= $(shell nproc)

# Rebuilds of the same sources (another clone, another preset's rerun) come from ccache.
CCACHE := $(shell command -v ccache 2>/dev/null)
ifneq ($(CCACHE),)
export CCACHE_BASEDIR := $(CURDIR)
LAUNCHER := -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
endif

.PHONY: all setup configure build run test asan tsan fuzz bench format clean

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake --preset $(PRESET) $(LAUNCHER) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

run: build
	@bash scripts/run-demo.sh build/$(PRESET)

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

asan:
	@$(MAKE) --no-print-directory test PRESET=asan

tsan:
	@$(MAKE) --no-print-directory test PRESET=tsan

fuzz: setup
	@cmake --preset fuzz $(LAUNCHER) >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@bash scripts/run-fuzz.sh build/fuzz 20

bench: build
	@bash scripts/run-bench.sh build/$(PRESET)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf build
