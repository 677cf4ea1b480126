# The two entry points: `make run` and `make test`. Each one installs what is
# missing, configures, builds and then runs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all bootstrap configure build run test test-asan configure-asan bench fuzz clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh

$(BUILD)/build.ninja: | bootstrap
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

configure: bootstrap $(BUILD)/build.ninja

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@./$(BUILD)/bin/nimbal demo

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja: | bootstrap
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DNIMBAL_SANITIZE=ON >/dev/null

test-asan: bootstrap $(ASAN_BUILD)/build.ninja
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: bootstrap
	@cmake -S . -B build-bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DNIMBAL_BENCH=ON >/dev/null
	@cmake --build build-bench -j $(JOBS)

fuzz: bootstrap
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIMBAL_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-bench build-fuzz
