#!/bin/sh
# faketime-fresh.sh [--program FAKETIME] FAKETIME_ARGUMENTS...: runs faketime
# (or the given faketime program) with these arguments.
#
# The faketime wrapper creates a semaphore and a shared-memory object named by
# its own process id, and fails ("sem_open: File exists") on ones that an
# earlier run killed under the same id left behind. This shell first removes
# those of its own id, which no running process can hold, and then becomes
# faketime under that very id.
program=faketime
if [ "${1:-}" = --program ] && [ $# -ge 2 ]; then
  program="$2"
  shift 2
fi
rm -f "/dev/shm/sem.faketime_sem_$$" "/dev/shm/faketime_shm_$$"
exec "$program" "$@"
