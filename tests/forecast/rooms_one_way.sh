#!/usr/bin/env bash
# The forecaster's rooms depend one way only: run -> model -> text -> format.
# Fails, naming the line, when a file includes a room at or above its own
# (run excepted, which may include every room).
set -u
root="${1:?usage: rooms_one_way.sh PROJECT_ROOT}"
rank() { case "$1" in format) echo 0 ;; text) echo 1 ;; model) echo 2 ;; run) echo 3 ;; *) echo -1 ;; esac; }
status=0
for room in format text model; do
  while IFS= read -r line; do
    target="${line#*\"forecast/}"
    target="${target%%/*}"
    if [ "$target" != "$room" ] && [ "$(rank "$target")" -ge "$(rank "$room")" ]; then
      echo "forecast/$room reaches up into forecast/$target: $line" >&2
      status=1
    fi
  done < <(grep -Hn '#include "forecast/' "$root/forecast/$room"/*)
done
[ $status = 0 ] && echo "forecast rooms: one way"
exit $status
