#!/usr/bin/env bash
# Builds and runs every test under a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/with-xvfb.sh ctest --test-dir build --output-on-failure -j2
