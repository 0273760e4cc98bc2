# The two commands of the README, and the steps they are made of.
#   make run [ARGS='-viewclkinfo']   install what is missing, build, start Korvan
#   make test                        install what is missing, build, run every test
#   make windows / make windows64    cross-build for 32-/64-bit Windows into build-win32/, build-win64/
#   make test-windows                both Windows builds, tested under Wine against the Linux build
JOBS ?= $(shell nproc)

.PHONY: deps test-deps build run test test-sanitize windows windows64 test-windows clean

# What building and running needs; the tests need more (an X server, Wine,
# the cross compilers, clang), installed only when they run.
deps:
	@scripts/install-deps build

test-deps:
	@scripts/install-deps test

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

run: build
	./build/korvan $(ARGS)

test: test-deps
	@$(MAKE) --no-print-directory build test-sanitize
	ctest --preset default -j $(JOBS)

test-sanitize: test-deps
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

windows: test-deps
	@cmake --preset mingw-win32 >/dev/null
	@cmake --build --preset mingw-win32 -j $(JOBS)

windows64: test-deps
	@cmake --preset mingw-win64 >/dev/null
	@cmake --build --preset mingw-win64 -j $(JOBS)

test-windows: test-deps build
	tests/windows/run-wine-tests

clean:
	rm -rf build build-sanitize build-win32 build-win64
