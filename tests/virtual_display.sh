#!/usr/bin/env bash
# The test suites' display when ctest runs without one. CTest runs "start" before the first suite
# and "stop" after the last:
#   tests/virtual_display.sh start STATE_FILE   starts a virtual X display with xvfb-run and
#                                               writes the display's name (first line) and
#                                               xvfb-run's process id (second line) into
#                                               STATE_FILE, where the test harness reads the name
#   tests/virtual_display.sh stop STATE_FILE    ends it
# Where DISPLAY is already set (scripts/with-xvfb.sh, a desktop session) both do nothing and the
# suites use that display.
#
# xvfb-run finds a free display, starts Xvfb, waits until it accepts clients and ends it when the
# command it runs ends. What it cannot do is keep the display for the test processes that ctest
# starts later, outside that command: here the command only hands the display's name over and
# waits, until the stop step removes STATE_FILE or the ctest run that started it has ended.
set -euo pipefail

if [ $# -ne 2 ] || { [ "$1" != start ] && [ "$1" != stop ]; }; then
  echo "usage: $0 start|stop STATE_FILE" >&2
  exit 2
fi
action=$1
state=$2

# Whether process $1 has not ended. An ended process whose parent is gone can stay a zombie until
# the init process collects it; it counts as ended.
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  [[ ${stat##*) } != Z* ]]
}

if [ "$action" = stop ]; then
  [ -f "$state" ] || exit 0
  name=$(sed -n 1p "$state")
  runner=$(sed -n 2p "$state")
  rm -f "$state"
  # xvfb-run ends once its command has seen the state file go, and ends Xvfb as it leaves; Xvfb
  # removes its lock file as it ends.
  for _ in $(seq 100); do
    if ! running "$runner" && [ ! -e "/tmp/.X${name#:}-lock" ]; then
      exit 0
    fi
    sleep 0.1
  done
  echo "the virtual display $name (xvfb-run process $runner) did not end" >&2
  exit 1
fi

rm -f "$state" "$state.name"
if [ -n "${DISPLAY:-}" ]; then
  echo "the tests use the display $DISPLAY"
  exit 0
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "DISPLAY is not set and xvfb-run is not installed: the tests have no display to run on" >&2
  exit 1
fi

# -noreset: without it the server resets whenever its last client leaves and refuses the next
# test process that connects during the reset. -ac: the test processes run outside xvfb-run's
# command, without its authority file; with -nolisten tcp only local processes can connect.
# The output goes to a log, so that ctest does not wait for the server to end.
ctest_process=$PPID
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset -ac" \
  bash -c 'echo "$DISPLAY" >"$1.name"
           while { [ -e "$1" ] || [ -e "$1.name" ]; } && [ -e "/proc/$2" ]; do sleep 0.2; done' \
  hold "$state" "$ctest_process" </dev/null >"$state.log" 2>&1 &
runner=$!
for _ in $(seq 100); do
  if [ -s "$state.name" ]; then
    printf '%s\n%s\n' "$(cat "$state.name")" "$runner" >"$state"
    rm -f "$state.name"
    echo "started a virtual display on $(sed -n 1p "$state") (xvfb-run process $runner)"
    exit 0
  fi
  if ! running "$runner"; then
    echo "xvfb-run ended at start-up:" >&2
    cat "$state.log" >&2
    exit 1
  fi
  sleep 0.1
done
kill "$runner" 2>/dev/null || true
echo "xvfb-run named no display within 10 s" >&2
exit 1
