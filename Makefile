# make run   builds Trellmark, creates the demo recordings and starts the program
#            (which draws the run's figure into demo/figure.png)
# make test  builds and runs every test, once plainly and once with sanitizers
#            (the tests include installing into a scratch directory and
#            building the Debian package, tests/install/)
# make package  builds the Debian package, build/trellmark_VERSION_ARCH.deb

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
JOBS ?= 2

.PHONY: all deps build run demo test test-plain test-sanitize bench package clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS)

demo: build
	@if [ ! -d demo ]; then $(BUILD_DIR)/make_demo_sets demo; fi

run: demo
	$(BUILD_DIR)/trellmark --plot demo/figure.png
	@echo "The figure of this run is in demo/figure.png."

test: test-plain test-sanitize

test-plain: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DTRELLMARK_SANITIZE=ON -DTRELLMARK_BENCH=OFF
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD_DIR)/trellmark_bench

package: build
	cmake --build $(BUILD_DIR) --target package

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
