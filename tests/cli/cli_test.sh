#!/usr/bin/env bash
# Checks one program's --help and --version, that only a sole --help or
# --version is taken as an option while every other command line still runs
# the program as before, and that an unknown option is a usage error (64); or
# the bad usage of every script.
#
# Usage: cli_test.sh NAME PROGRAM KIND
#   NAME     the name the program reports (nrtprep-ap, velk_nrt, ...)
#   KIND     prep     only the options are run (no cycle: the preprocessor's would reach out)
#            prep-run preprocessor with loopback hosts; also runs cycles against closed ports
#            forecast velk_nrt; also runs it with other arguments in an empty directory
#            scripts  the project's scripts, PROGRAM being the project's root: bad usage
set -uo pipefail

[ $# -eq 3 ] || { sed -n '7,12p' "$0" >&2; exit 64; }
name="$1" kind="$3"
# Each run changes into its own directory, so the program needs an absolute path.
program="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# shellcheck source=tests/common/script_checks.sh
source "$(dirname "$0")/../common/script_checks.sh"

# run_in_empty_dir ARGS...: runs the program (or the interpreter and script in
# $runner) in a fresh empty directory, its file size limited to $blocks when
# set; sets status, out, err, dir.
run_in_empty_dir() {
  dir="$(mktemp -d "$scratch/run.XXXXXX")" status=0
  # shellcheck disable=SC2086  # the runner is an interpreter and a script
  (cd "$dir" && ulimit -f "${blocks:-unlimited}" && timeout 60 ${runner:-"$program"} "$@" > "$scratch/out" 2> "$scratch/err") ||
    status=$?
  out="$(cat "$scratch/out")" err="$(cat "$scratch/err")"
}

# --- the two options: an answer on standard output, and no cycle run --------
[ "$kind" = scripts ] || for option in --help --version; do
  run_in_empty_dir $option
  [ "$status" -eq 0 ] || fail "$option: exit status $status"
  [ -z "$err" ] || fail "$option wrote to standard error: $err"
  [ -z "$(ls -A "$dir")" ] || fail "$option left files: $(ls -A "$dir")"
  [ "$option" = --version ] && { [[ "$out" =~ ^$name\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$out'"; }
  [ "$option" = --help ] && { [[ "$out" == "Usage: $name"*--version* ]] || fail "--help printed '$out'"; }
done

# --- an unknown option: a usage error that names the program, and no run ----
# Guards against programs that disagreed on it (2 in some, a run in others),
# so that a scheduler could not tell a mistyped command line from a failure.
# usage_error ARGS...: ends with 64, names the last word as the unknown option
# and gives the usage on standard error only, and leaves no file.
usage_error() {
  run_in_empty_dir "$@"
  [ "$status" -eq 64 ] || fail "'$*': exit status $status, expected 64"
  [ -z "$out" ] || fail "'$*' printed on standard output: $out"
  [[ "$err" == "$name: "*"${*: -1}"*$'\n'"Usage: $name"* ]] || fail "'$*': standard error '$err'"
  [ -z "$(ls -A "$dir")" ] || fail "'$*' left files: $(ls -A "$dir")"
}
[ "$kind" = scripts ] || usage_error --no-such-option

# --- every other command line behaves as before -----------------------------
report_has() {  # STEP ERROR VALUE: the report of the last run holds that record
  [ -f "$dir/errorfile.xml" ] && tr -d '\n' < "$dir/errorfile.xml" |
    grep -q "<StepName>$1</StepName><ErrorName>$2</ErrorName><Value>$3</Value>"
}
case "$kind" in
  prep) ;;
  prep-run)
    # Guards against the options swallowing arguments: with two arguments the
    # preprocessor makes a default run, silently, whatever the first one is.
    run_in_empty_dir --help extra
    [ "$status" -eq 0 ] || fail "'--help extra': exit status $status"
    [ -z "$out$err" ] || fail "'--help extra' printed: $out$err"
    report_has OrderFileInDir InputFile 1 || fail "'--help extra' did not make a default run"
    # Guards against a mistyped option taken for an order file's name, which
    # made a quiet default run: any other argument that starts with "-", in
    # any place, is a usage error that names it and does nothing.
    # shellcheck disable=SC2086  # the table's entries are word lists
    for args in --helpx --version=1 -h - "order.xml -v" "--help -x"; do usage_error $args; done
    # An order file's name that holds a "-" further on is still one.
    run_in_empty_dir my-order.xml
    [ "$status" -eq 0 ] || fail "'my-order.xml': exit status $status"
    report_has OrderFileExist InputFileExist 1 || fail "'my-order.xml' was not taken as an order file path"
    # Guards against a full disk ending the run unnoticed: under a file-size
    # limit every write fails (instead of the signal killing the program mid-
    # write), no report can be written anywhere, and the program says so on
    # standard error with status 3, leaving no temporary file behind.
    blocks=1 run_in_empty_dir
    [ "$status" -eq 3 ] || fail "no room for the report: exit status $status, expected 3"
    [[ "$err" == *errorfile.xml* ]] || fail "no room for the report: standard error says nothing of it"
    [ -z "$(ls -A "$dir")" ] || fail "no room for the report: left $(ls -A "$dir")"
    ;;
  forecast)
    # velk_nrt ignores arguments other than a sole option or an unknown one:
    # in an empty directory it still stops on the missing configuration file.
    for args in "--help extra" "--version --help" "extra"; do
      # shellcheck disable=SC2086  # the table's entries are word lists
      run_in_empty_dir $args
      [ "$status" -ne 0 ] || fail "'$args': exit status 0 without a configuration"
      grep -q "velk_nrt.cfg" <<< "$err" || fail "'$args': no diagnostic naming velk_nrt.cfg: $err"
      [[ "$out" != *Usage* ]] || fail "'$args' printed the usage"
    done
    # A mistyped option was ignored and made a run; now it is refused.
    # shellcheck disable=SC2086  # the table's entries are word lists
    for args in -h --helpx "extra -v"; do usage_error $args; done
    ;;
  scripts)
    # Guards against a script's bad usage ending like a failed run (1) or with
    # argparse's 2, which a caller cannot tell from a run's own failure: an
    # unknown option, a missing option value or a wrong number of arguments
    # ends with status 64 and a word on standard error, and does nothing.
    while read -r interpreter script args; do
      runner="$interpreter $program/$script"
      # shellcheck disable=SC2086  # the table's entries are word lists
      run_in_empty_dir $args
      [ "$status" -eq 64 ] || fail "$script $args: exit status $status, expected 64"
      [ -z "$out" ] || fail "$script $args printed on standard output: $out"
      [ -n "$err" ] || fail "$script $args said nothing on standard error"
      [ -z "$(ls -A "$dir")" ] || fail "$script $args left files: $(ls -A "$dir")"
    done <<'ROWS'
bash scripts/build-and-test.sh default extra
bash scripts/build-and-test.sh --no-such-option
bash scripts/cross-validate-models.sh --no-such-option
bash scripts/cross-validate-models.sh --carry
bash scripts/example-cycle.sh --no-such-option
bash scripts/example-cycle.sh --build-dir
bash scripts/fault-inject.sh --build-dir
bash scripts/fit-example-models.sh --no-such-option
bash scripts/fit-example-models.sh --years
bash scripts/fuzz.sh --no-such-option
bash scripts/fuzz.sh --minutes
bash scripts/install-deps.sh --no-such-option
bash scripts/plot-forecast.sh table.asc
bash scripts/plot-forecast.sh -t
bash scripts/score-models.sh 2020-01
bash scripts/score-models.sh --no-such-option 2020-01 2020-02
bash scripts/score-models.sh --models
bash scripts/soak-cycle.sh
bash scripts/soak-cycle.sh --no-such-option
bash scripts/soak-cycle.sh --hours
bash scripts/stress-models.sh
bash scripts/stress-models.sh --no-such-option 2016
bash scripts/stress-models.sh --factor
python3 scripts/join-recorded-months.py 2020-01 2020-02
python3 scripts/join-recorded-months.py --no-such-option 2020-01 2020-02 x-
python3 scripts/join-recorded-months.py --data
python3 scripts/table-scores.py table.asc
python3 scripts/table-scores.py --label
bash bench/run.sh --against
python3 bench/bench.py --root . --build . --no-such-option
python3 bench/bench.py --root
python3 tools/loopback/upstream.py up --data data
python3 tools/loopback/upstream.py up --data data --months 202003
python3 tools/loopback/serve.py
python3 tools/loopback/serve.py up --lifetime
ROWS
    ;;
  *) echo "cli_test: unknown kind '$kind'" >&2; exit 64 ;;
esac

[ "$failures" -eq 0 ] || { echo "$name: $failures check(s) failed"; exit 1; }
if [ "$kind" = scripts ]; then
  echo "$name: bad usage of every script ends with status 64"
else
  echo "$name: --help, --version and other arguments as expected"
fi
