# The two everyday commands (see README.md):
#   make demo   install what is missing, build, run the bundled harbour example, plot it
#   make test   install what is missing, build with warnings as errors, run every test
# Further targets: build, install (into PREFIX, default /usr/local), asan (sanitizer build and
# tests), fuzz (short fuzzing), clean.

BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

.PHONY: all deps build demo test validation install asan fuzz clean

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DSWX_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)

demo: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DSWX_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS) --target swellix
	scripts/run-demo $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -LE 'validation-full|validation-open'

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Every laboratory case at its full size (`make test` runs them at the reduced size), and the
# model-only checks the program does not meet yet (label validation-open).
validation: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L 'validation-full|validation-open'

asan: deps
	scripts/sanitizer-tests $(ASAN_BUILD) $(JOBS)

fuzz: deps
	tests/fuzz/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
