#!/usr/bin/env bash
# make test's schedule on a machine of two cores. The checks mostly wait on simulated lines, so
# the next stage's build runs beside them at a lower priority. The fuzz runs come last, alone:
# they keep both cores busy for their whole time, and beside the Qt 6 checks they starved the
# checks' timed waits (a reconnect's settle, the loader's status messages 60 ms apart). Every job's output goes to build-logs/<job>.log; a failed job's log is printed whole.
# Prints the time of each stage ("stage test-normal: 312 s") and fails if any job failed.
set -uo pipefail
cd "$(dirname "$0")/.."
mkdir -p build-logs
failed=()

# job NAME [nice]: runs `make NAME` into its log; returns make's status.
job() {
  local name=$1 priority=${2:-0}
  local started=$SECONDS
  nice -n "$priority" make --no-print-directory "$name" >"build-logs/$name.log" 2>&1
  local status=$?
  echo "$name: $((SECONDS - started)) s$([ $status -ne 0 ] && echo ", FAILED")"
  if [ $status -ne 0 ]; then
    echo "---- build-logs/$name.log"
    cat "build-logs/$name.log"
    echo "----"
  fi
  return $status
}

# together FIRST SECOND...: FIRST at normal priority, the rest one after another at low priority.
together() {
  local first=$1; shift
  job "$first" & local pid=$!
  local rest=0
  for name in "$@"; do
    job "$name" 10 || { rest=1; failed+=("$name"); break; }
  done
  wait $pid || { failed+=("$first"); return 1; }
  return $rest
}

start=$SECONDS
job build-normal || { echo "make test: build-normal failed"; exit 1; }
together check-normal build-asan
echo "stage test-normal: $((SECONDS - start)) s"
stage=$SECONDS
together check-asan build-qt6 build-fuzz
echo "stage test-asan: $((SECONDS - stage)) s"
stage=$SECONDS
job check-qt6 || failed+=(check-qt6)
echo "stage test-qt6: $((SECONDS - stage)) s"
stage=$SECONDS
job check-fuzz || failed+=(check-fuzz)
echo "stage test-fuzz: $((SECONDS - stage)) s"
echo "make test: $((SECONDS - start)) s in all"
if [ ${#failed[@]} -ne 0 ]; then
  echo "make test: failed: ${failed[*]}"
  exit 1
fi
