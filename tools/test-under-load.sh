#!/usr/bin/env bash
# Runs the whole test command while the machine is busy, as a user's or a CI machine often is:
# two processes keep both cores busy and one keeps writing and syncing large files. The test
# command must pass every time. Usage: tools/test-under-load.sh [RUNS] (3 by default); it stops
# at the first failing run. The load ends with the last run, and its file is removed.
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/talvoro-load-XXXXXX")
loads=()

stop_load() {
  for p in "${loads[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap stop_load EXIT

for _ in 1 2; do
  (while :; do :; done) &
  loads+=($!)
done
# 256 MB written and synced again and again, the file replaced each time.
(while :; do
  dd if=/dev/zero of="$scratch/io" bs=1M count=256 conv=fsync status=none
  rm -f "$scratch/io"
done) &
loads+=($!)

for run in $(seq "$runs"); do
  echo "=== under load: run $run of $runs"
  start=$(date +%s)
  ./test.sh 2>&1 | tee "$scratch/run.log" | tail -n 20
  rc=${PIPESTATUS[0]}
  echo "=== under load: run $run ended with $rc after $(($(date +%s) - start)) s"
  if [ "$rc" -ne 0 ]; then
    cp "$scratch/run.log" "test-under-load-failed.log"
    echo "the whole log of the failing run: test-under-load-failed.log"
    exit "$rc"
  fi
done
echo "under load: $runs passed, 0 failed"
