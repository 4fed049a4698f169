# The two commands of the README: `make run` and `make test`.
BUILD := build
JOBS := 2

.PHONY: run test deps build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ -z "$$DISPLAY" ]; then \
	  echo "There is no X display to open the window on: run this from a graphical desktop session."; \
	  exit 1; \
	fi
	@./$(BUILD)/room-planner

test: build
	@bash scripts/run-tests.sh

.PHONY: bench screenshots

bench: build
	@bash scripts/run-bench.sh

screenshots: build
	@scripts/with-xvfb.sh ./$(BUILD)/room-screenshots docs
