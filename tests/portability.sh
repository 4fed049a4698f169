#!/usr/bin/env bash
# Portability checks: a build without GLX holds no GLX or X11 reference and keeps its frame
# pacing, whose tests run on it. (The Windows build is checked by tests/windows.sh.) Prints one line
# per check passed; the first check that fails ends the script with status 1. Runs on the X display
# in DISPLAY.
#
# Usage: tests/portability.sh
set -euo pipefail
cd "$(dirname "$0")/.."

no_glx_build=build-no-glx

# shellcheck source=tests/checks.sh
source tests/checks.sh
start_check portability "$@"
require_tools cmake ctest readelf nm

# Linux without GLX: the program's own references and libraries hold none of GLX or X11, and
# its build needs no libpng, which only the X11 window's icon table is written with.
cmake -S . -B "$no_glx_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROOMPLANNER_GLX=OFF \
  -DROOMPLANNER_BENCH=OFF -DROOMPLANNER_TOOLS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON \
  >"$work/configure.log" 2>&1 ||
  { tail -n 20 "$work/configure.log"; fail "the configure with ROOMPLANNER_GLX=OFF failed"; }
cmake --build "$no_glx_build" -j2 --target room-planner pacing_test >"$work/build.log" 2>&1 ||
  { tail -n 40 "$work/build.log"; fail "the build with ROOMPLANNER_GLX=OFF failed"; }
needed=$(readelf -d "$no_glx_build/room-planner" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
if grep -Eq '^lib(GLX|X11)' <<<"$needed"; then
  fail "the program built without GLX still needs: $(tr '\n' ' ' <<<"$needed")"
fi
if nm -u "$no_glx_build/libroomplanner.a" | grep -Eq ' (glX|X[A-Z])'; then
  fail "the program's objects built without GLX refer to GLX or Xlib"
fi
pass "built with ROOMPLANNER_GLX=OFF the program needs $(tr '\n' ' ' <<<"$needed")and refers to no GLX or Xlib"

ctest --test-dir "$no_glx_build" -R 'Pacing|PacedLoop|DoorCycle' --no-tests=error -j2 \
  >"$work/ctest.log" 2>&1 || { tail -n 60 "$work/ctest.log"; fail "the frame pacing tests failed on the build without GLX"; }
grep -h "MEASURED" "$no_glx_build"/Testing/Temporary/LastTest.log | sed 's/^/  /' || true
passed=$(grep -Ec 'Test +#[0-9]+: [^ ]*(Pacing|PacedLoop|DoorCycle)[^ ]* .* Passed' "$work/ctest.log" || true)
pass "the frame pacing tests pass on the build without GLX ($passed tests)"
