# The two commands of the README, `make run` and `make test`, and `make package` for the .deb.
BUILD := build
JOBS := 2
CONFIGURE := cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

.PHONY: run test deps build package

# Checks for a display before anything is installed or built, then builds the program alone.
run:
	@if [ -z "$$DISPLAY" ]; then \
	  echo "There is no X display to open the window on: run this from a graphical desktop session."; \
	  exit 1; \
	fi
	@bash scripts/install-deps.sh program
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j$(JOBS) --target room-planner
	@$(BUILD)/room-planner

deps:
	@bash scripts/install-deps.sh test

build: deps
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@bash scripts/run-tests.sh

# Writes $(BUILD)/room-planner_<version>_<architecture>.deb, building only the program it ships.
package:
	@bash scripts/install-deps.sh package
	@$(CONFIGURE)
	@cmake --build $(BUILD) -j$(JOBS) --target room-planner
	@cd $(BUILD) && cpack -G DEB

.PHONY: bench screenshots

bench: build
	@bash scripts/run-bench.sh

screenshots: build
	@mkdir -p data/icons
	@scripts/with-xvfb.sh $(BUILD)/room-screenshots docs data/icons
