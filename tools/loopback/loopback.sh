# Starting and stopping the loopback stand-ins of the upstream services from a
# bash script; sourced. The tree they serve is laid out by upstream.py.
#
#   loopback_python            prints the first python3 that has pyftpdlib
#                              (Debian's, which install-deps.sh provides, before
#                              one earlier on PATH); status 1 when none has it
#   loopback_start ROOT LOG LIFETIME_S
#                              starts serve.py over ROOT in the background, waits
#                              (at most 20 s) until it is ready and exports the
#                              NRT_TEST_*_HOST variables the loopback builds read;
#                              status 1 when the servers did not start (LOG says why)
#   loopback_stop              stops them (TERM, KILL after 5 s); safe to call again
loopback_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
loopback_pid=""

loopback_python() {
  local candidate
  for candidate in /usr/bin/python3 python3; do
    if "$candidate" -c 'import pyftpdlib' 2> /dev/null; then
      printf '%s\n' "$candidate"
      return 0
    fi
  done
  return 1
}

loopback_start() {
  local root="$1" log="$2" lifetime="$3" python name value
  python="$(loopback_python)" || { echo "no python3 with pyftpdlib" > "$log"; return 1; }
  "$python" "$loopback_dir/serve.py" "$root" --lifetime "$lifetime" > "$log" 2>&1 < /dev/null &
  loopback_pid=$!
  for _ in $(seq 200); do
    grep -qx ready "$log" && break
    kill -0 "$loopback_pid" 2> /dev/null || break
    sleep 0.1
  done
  grep -qx ready "$log" || return 1
  while IFS='=' read -r name value; do
    export "$name=$value"
  done < <(grep '^NRT_TEST_[A-Z]*_HOST=' "$log")
}

loopback_stop() {
  [ -n "$loopback_pid" ] || return 0
  if kill -0 "$loopback_pid" 2> /dev/null; then
    kill -TERM "$loopback_pid" 2> /dev/null || true
    for _ in $(seq 50); do
      kill -0 "$loopback_pid" 2> /dev/null || break
      sleep 0.1
    done
    kill -KILL "$loopback_pid" 2> /dev/null || true
  fi
  wait "$loopback_pid" 2> /dev/null || true
  loopback_pid=""
}
