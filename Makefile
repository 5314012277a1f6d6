# The two set-up commands: `make run` and `make test`. Both install what is missing first.
STORY ?= demo
# Warnings are errors in CI.
export NEV_WERROR := $(if $(CI),ON,OFF)

.PHONY: run test deps build bench clean demo fuzz package web web-bench

deps:
	@bash tools/install-deps.sh

# The program alone, optimised: what `make run` plays.
build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target nev

FRAMES ?= build/frames

# A window on a desktop; without a display, the story's frames rendered into $(FRAMES).
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  ./build/release/nev $(STORY); \
	else \
	  ./build/release/nev render $(STORY) $(FRAMES); status=$$?; \
	  echo "No display: the story was rendered without a window."; \
	  echo "Its frames are in $(abspath $(FRAMES))/ and events.jsonl there tells what happened."; \
	  exit $$status; \
	fi

# Makes the demo story's pictures, music, sounds and scripts again from tools/make_demo.py.
demo:
	python3 tools/make_demo.py demo

# The Debian package of the release build: sudo apt install ./build/release/nev_*.deb
package: build
	@rm -f build/release/nev_*.deb
	@cd build/release && cpack -G DEB >/dev/null
	@echo "The package: $$(ls build/release/nev_*.deb)"

# The player page built to WebAssembly into build/web/ (and a node player into build/web-node/).
web: deps
	@bash tools/web/build.sh

# The page's budgets: its size, load, idle cost, typing and skipping (figures printed).
web-bench: web
	@cmake --preset debug >/dev/null
	@cmake --build --preset debug --target nev
	@bash tools/web/bench.sh build/debug/nev

test: deps
	@bash tools/run-tests.sh

# Every fuzz target for FUZZ_TIME seconds (default 60) each.
FUZZ_TIME ?= 60
fuzz: deps
	@bash tools/fuzz.sh $(FUZZ_TIME)

bench: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target nev_bench
	./build/release/bench/nev_bench

clean:
	rm -rf build
