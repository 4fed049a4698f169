#!/usr/bin/env bash
# The test suites' display when ctest runs without one. CTest runs "start" before the first suite
# and "stop" after the last:
#   tests/virtual_display.sh start STATE_FILE   starts Xvfb on a free display and writes the
#                                               display's name (first line) and the server's
#                                               process id (second line) into STATE_FILE, where
#                                               the test harness reads the name
#   tests/virtual_display.sh stop STATE_FILE    ends that server
# Where DISPLAY is already set (scripts/with-xvfb.sh, a desktop session) both do nothing and the
# suites use that display.
set -euo pipefail

if [ $# -ne 2 ] || { [ "$1" != start ] && [ "$1" != stop ]; }; then
  echo "usage: $0 start|stop STATE_FILE" >&2
  exit 2
fi
action=$1
state=$2

# Whether process $1 has not ended and, with a second argument, runs that program. An ended
# process whose parent is gone can stay a zombie until the init process collects it; it counts as
# ended.
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  [[ ${stat##*) } != Z* ]] || return 1
  [ $# -lt 2 ] || [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ]
}

if [ "$action" = stop ]; then
  [ -f "$state" ] || exit 0
  server=$(sed -n 2p "$state")
  rm -f "$state"
  running "$server" Xvfb || exit 0
  kill "$server"
  for _ in $(seq 50); do
    running "$server" Xvfb || exit 0
    sleep 0.1
  done
  echo "Xvfb (process $server) did not end" >&2
  exit 1
fi

rm -f "$state"
if [ -n "${DISPLAY:-}" ]; then
  echo "the tests use the display $DISPLAY"
  exit 0
fi
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "DISPLAY is not set and Xvfb is not installed: the tests have no display to run on" >&2
  exit 1
fi

number_file="$state.number"
log="$state.log"
rm -f "$number_file"
# -displayfd: the server picks a free display number itself and writes it to that descriptor once
# it accepts clients, so parallel runs never race for a number. -noreset: without it the server
# resets whenever its last client leaves and refuses the next test process that connects during
# the reset. Its output goes to a log, so that ctest does not wait for the server to end.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
  3>"$number_file" </dev/null >"$log" 2>&1 &
server=$!
for _ in $(seq 100); do
  if grep -q '^[0-9][0-9]*$' "$number_file" 2>/dev/null; then
    break
  fi
  if ! running "$server"; then
    echo "Xvfb ended at start-up:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.1
done
number=$(head -n 1 "$number_file")
rm -f "$number_file"
if [ -z "$number" ]; then
  kill "$server" 2>/dev/null || true
  echo "Xvfb named no display within 10 s" >&2
  exit 1
fi

# The server ends with the ctest run that started this script, also when the run is interrupted
# before the stop step.
ctest_process=$PPID
(
  while running "$ctest_process" && running "$server" Xvfb; do
    sleep 1
  done
  if running "$server" Xvfb; then
    kill "$server"
  fi
) </dev/null >/dev/null 2>&1 &

printf ':%s\n%s\n' "$number" "$server" >"$state"
echo "started Xvfb (process $server) on the display :$number"
