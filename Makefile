# The two commands of the README, and the steps they are made of.
#   make run [ARGS='-viewclkinfo']   install what is missing, build, start Korvan
#   make test                        install what is missing, build, run every test
JOBS ?= $(shell nproc)

.PHONY: deps build run test test-sanitize clean

deps:
	@scripts/install-deps

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

run: build
	./build/korvan $(ARGS)

test: build test-sanitize
	ctest --preset default -j $(JOBS)

test-sanitize: deps
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

clean:
	rm -rf build build-sanitize
