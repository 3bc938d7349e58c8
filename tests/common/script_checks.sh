# Checks shared by the tests of the scripts, sourced after the test has made
# its own scratch directory in $scratch.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# refused WHAT STATUS MESSAGE COMMAND...: the command must end with exit status
# STATUS and name the problem (MESSAGE, a grep pattern) on standard error.
refused() {
  local what="$1" want="$2" message="$3" status
  shift 3
  "$@" > /dev/null 2> "$scratch/err"
  status=$?
  [ "$status" -eq "$want" ] || fail "$what: exit status $status, expected $want"
  grep -q -- "$message" "$scratch/err" || fail "$what: message '$(cat "$scratch/err")' lacks '$message'"
}
# finish NAME SUMMARY: the test's last line and its exit status.
finish() {
  [ "$failures" -eq 0 ] || { echo "$1: $failures check(s) failed"; exit 1; }
  echo "$1: $2"
}
