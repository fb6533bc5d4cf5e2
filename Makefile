# Front door of the project. `make demo` and `make test` are the two commands.
.PHONY: all deps demo test bench fuzz sanitize install clean

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20
PREFIX ?= /usr/local

all: test

deps:
	@scripts/install-deps.sh

build/release/build.ninja: | deps
	cmake --preset release

demo: build/release/build.ninja
	cmake --build --preset release -j $(JOBS) --target zel
	build/release/tools/zel/zel demo

test: build/release/build.ninja
	cmake --build --preset release -j $(JOBS)
	ctest --preset release -j $(JOBS)

sanitize: deps
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

bench: deps
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	scripts/run-benchmarks.sh build/bench/bench

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	scripts/run-fuzzers.sh build/fuzz/fuzz $(FUZZ_SECONDS)

install: build/release/build.ninja
	cmake --build --preset release -j $(JOBS)
	cmake --install build/release --prefix $(PREFIX)

clean:
	rm -rf build
