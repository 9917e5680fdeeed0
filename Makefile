# make run   builds Trellmark, creates the demo recordings and starts the program
#            (which draws the run's figure into demo/figure.png)
# make test  builds and runs every test, once plainly and once with sanitizers
#            (the tests include installing into a scratch directory and
#            building the Debian package, tests/install/), then runs every
#            fuzz target for 15 seconds
# make figure-demo  draws the figure of the demo run into doc/figure-demo.png,
#            and with the spectrum into doc/figure-spectrum-demo.png, the
#            images the README shows
# make package  builds the Debian package, build/trellmark_VERSION_ARCH.deb
# make fuzz  builds the fuzz targets with clang (build-fuzz/) and runs each
#            for a minute; make test runs each for 15 seconds (fuzz-ci)

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
JOBS ?= 2
# CI builds treat every warning as an error.
WERROR ?= $(if $(CI),ON,OFF)

.PHONY: all deps build run demo figure-demo test test-plain test-sanitize fuzz fuzz-build fuzz-ci bench package \
	clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRELLMARK_WERROR=$(WERROR)
	cmake --build $(BUILD_DIR) -j $(JOBS)

demo: build
	@if [ ! -d demo ]; then $(BUILD_DIR)/make_demo_sets demo; fi

# compare exits with 1 when the sets differ, as they do here.
figure-demo: demo
	$(BUILD_DIR)/trellmark compare --reference demo/reference --reference-core take \
	  --comparison demo/comparison --threshold 16000 --length 44100 --quiet \
	  --plot doc/figure-demo.png --plot-size 1200x800 || [ $$? -eq 1 ]
	$(BUILD_DIR)/trellmark compare --reference demo/reference --reference-core take \
	  --comparison demo/comparison --threshold 16000 --length 44100 --quiet --spectrum \
	  --plot doc/figure-spectrum-demo.png --plot-size 1200x1000 || [ $$? -eq 1 ]

run: demo
	$(BUILD_DIR)/trellmark --plot demo/figure.png
	@echo "The figure of this run is in demo/figure.png."

test: test-plain test-sanitize fuzz-ci

test-plain: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DTRELLMARK_SANITIZE=ON -DTRELLMARK_BENCH=OFF \
	  -DTRELLMARK_WERROR=$(WERROR)
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# The fuzz targets (fuzz/) with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, which need clang. Each run starts from a scratch
# copy of the target's seed corpus; crash inputs land in $(FUZZ_DIR)/crashes/.
fuzz-build: deps
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTRELLMARK_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)

fuzz: fuzz-build
	bash scripts/run_fuzz.sh 60 $(FUZZ_DIR)

fuzz-ci: fuzz-build
	bash scripts/run_fuzz.sh 15 $(FUZZ_DIR) --fresh

bench: build
	$(BUILD_DIR)/trellmark_bench

package: build
	cmake --build $(BUILD_DIR) --target package

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
