# Veilmark: the commands people use. Everything the build needs is installed by `make deps`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
FUZZ_SECONDS ?= 120
FUZZ_RUNS ?= 30000

ifeq ($(CI),true)
  CMAKE_ARGS += -DVEILMARK_WERROR=ON
endif

.PHONY: all deps configure build test sanitize bench run fuzz fuzz-smoke install package package-check format format-check clean

all: build

deps:
	@tools/install-deps.sh tools/deps.txt

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DVEILMARK_SANITIZE=ON -DVEILMARK_BENCH=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/*/bench_*; do [ -x "$$b" ] && echo "== $$b" && "$$b"; done

fuzz: deps
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DVEILMARK_FUZZ=ON -DVEILMARK_GUI=OFF \
	  -DVEILMARK_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# A short, repeatable run of every harness over its seed corpus, as CI does.
fuzz-smoke: fuzz
	@tools/fuzz-smoke.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_RUNS)

run: deps build
	$(BUILD)/shell/veilmark

install: build
	cmake --install $(BUILD)

package: deps build
	cd $(BUILD) && cpack -G DEB

# Installs the package into this machine and runs the installed programs (root or sudo).
package-check: package
	tools/package-check.sh $(BUILD)

# The house style (.clang-format) over every C++ file git knows.
SOURCES = $(shell git ls-files '*.cpp' '*.h')
format:
	clang-format -i $(SOURCES)

format-check: deps
	@clang-format --dry-run --Werror $(SOURCES) && echo "format-check: $(words $(SOURCES)) files in the house style"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
