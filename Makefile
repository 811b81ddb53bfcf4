# Morvane: `make` installs what is missing and builds; `make test` also runs every test;
# `make run` starts the engine at the console in its directory build/home;
# `make install` / `make uninstall` (PREFIX, DESTDIR) put it where chess interfaces find it.

BUILD    ?= build
# The same suite again, built with the address and undefined-behaviour sanitizers.
ASAN_BUILD ?= build-asan
# libFuzzer targets (fuzz/), built with clang; seconds per target in make test and in make fuzz.
FUZZ_BUILD ?= build-fuzz
FUZZ_SMOKE_SECONDS ?= 10
FUZZ_SECONDS ?= 600
JOBS     ?= $(shell nproc)
PREFIX   ?= /usr/local
# Debian packages the build, the tests and the real-interface checks need.
PACKAGES := cmake g++ make pkg-config libgtest-dev libdb5.3-dev db5.3-util libinih-dev \
            stockfish xboard xvfb xauth fairymax tmux polyglot phalanx clang libclang-rt-14-dev \
            librsvg2-bin fonts-dejavu-core chromium libgaviotatb-dev gaviotatb libzstd-dev

# Debian installs the engines used as opponents and oracles under /usr/games.
export PATH := $(PATH):/usr/games

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test test-release test-asan test-fuzz fuzz fuzz-build run bench clean \
        install uninstall tablebases tablebases5

all: build tablebases

# The engine's own distance-to-mate tables: every 3- and 4-men ending, computed again only when
# missing or when the generator or the board code under it changed.
TB_DIR := $(BUILD)/home/tablebases
TB_GENERATOR_SOURCES := $(wildcard src/tablebases/tb_*.cpp src/tablebases/tb_*.h \
                          src/tablebases/tbgen_main.cpp src/board/*.cpp src/board/*.h)

tablebases: build
	@$(MAKE) --no-print-directory $(TB_DIR)/.generated4

$(TB_DIR)/.generated4: $(TB_GENERATOR_SOURCES)
	$(BUILD)/morvane-tbgen $(TB_DIR)
	@touch $@

# The five-men endings of 3 men against 2 (long: see the README). TB_JOBS tables at once, each
# with its own memory (up to about 10 GB for a table with pawns).
TB_JOBS ?= 1
tablebases5: tablebases
	$(BUILD)/morvane-tbgen --five --jobs $(TB_JOBS) $(TB_DIR)

deps:
	@missing=""; \
	for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: test-release test-asan test-fuzz

test-release: build tablebases
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# -O1 keeps the sanitized build and its run well inside CI's time; any report ends the run.
# The timed xboard matches are left to the Release run: a sanitized engine is too slow for
# their clocks.
# The table tests of the sanitized run read the set the Release build generated.
test-asan: deps tablebases
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DMORVANE_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && MORVANE_TABLES_DIR=$(CURDIR)/$(TB_DIR) ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS) \
	  -E '^XboardMatch\.'

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S fuzz -B $(FUZZ_BUILD)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# A short run of each fuzz target, after replaying the kept crash inputs.
test-fuzz: fuzz-build
	scripts/fuzz_run.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS)

fuzz: fuzz-build
	scripts/fuzz_run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The engine's directory build/home holds its books, configuration, diagram pictures and logs.
run: build tablebases
	cd $(BUILD)/home && ../morvane

install: build tablebases
	scripts/install.sh install $(BUILD) "$(PREFIX)" "$(DESTDIR)"

uninstall:
	scripts/install.sh uninstall $(BUILD) "$(PREFIX)" "$(DESTDIR)"

bench: build tablebases
	@for b in $(BUILD)/bench/bench_*; do [ -x $$b ] && $$b; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
