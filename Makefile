# The two set-up commands: `make run` and `make test`. Both install what is missing first.
STORY ?= demo
# Warnings are errors in CI.
export NEV_WERROR := $(if $(CI),ON,OFF)

.PHONY: run test deps build bench clean

deps:
	@bash tools/install-deps.sh

build: deps
	@cmake --preset debug >/dev/null
	@cmake --build --preset debug

FRAMES ?= build/frames

run: build
	@./build/debug/nev render $(STORY) $(FRAMES); status=$$?; \
	  echo "frames of $(STORY): $(abspath $(FRAMES))/ (events.jsonl tells what happened)"; \
	  exit $$status

test: deps
	@bash tools/run-tests.sh

bench: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target nev_bench
	./build/release/bench/nev_bench

clean:
	rm -rf build
