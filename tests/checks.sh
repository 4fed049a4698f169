# The reporting of the check scripts, sourced by each: `check` names the script's checks, `work`
# its scratch folder.
#   pass TEXT...          one line for a check passed
#   fail TEXT...          one line for the check that failed, and the end of the script, status 1
#   logged NAME CMD...    runs CMD with its output into $work/NAME.log; shows the log's end if it
#                         fails

pass() {
  echo "PASS $check: $*"
}

fail() {
  echo "FAIL $check: $*"
  exit 1
}

logged() {
  local name=$1
  shift
  if ! "$@" >"$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log"
    return 1
  fi
}
