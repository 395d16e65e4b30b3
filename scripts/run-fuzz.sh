#!/usr/bin/env bash
# Longer fuzzing on demand: builds build-fuzz with clang and runs every fuzz target (or the ones
# named) for the given seconds, two at a time, each on a scratch copy of its seed corpus under
# build-fuzz/long/<target>/. Prints the executions and the findings (crash, timeout, leak and
# out-of-memory inputs, kept in that folder) per target; exits 1 when anything was found.
#   scripts/run-fuzz.sh [seconds-per-target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true
jobs=${FUZZ_JOBS:-2}

cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$jobs" >/dev/null

mapfile -t lines < build-fuzz/targets.txt
if [ $# -gt 0 ]; then
  wanted=" $* "
  kept=()
  for line in "${lines[@]}"; do
    [[ "$wanted" == *" ${line%% *} "* ]] && kept+=("$line")
  done
  lines=("${kept[@]}")
fi

run_one() {
  local name=$1 max_len=$2 work=build-fuzz/long/$1
  rm -rf "$work" && mkdir -p "$work/corpus"
  cp fuzz/corpus/"$name"/* "$work/corpus/"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    build-fuzz/fuzz_"$name" -max_total_time="$seconds" -max_len="$max_len" -timeout=5 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1 || true
}

running=0
for line in "${lines[@]}"; do
  run_one $line &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

found=0
printf '%-18s %14s %8s  %s\n' target executions findings inputs
for line in "${lines[@]}"; do
  name=${line%% *}
  work=build-fuzz/long/$name
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  mapfile -t findings < <(find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'leak-*' -o -name 'oom-*' -o -name 'slow-unit-*' \) | sort)
  printf '%-18s %14s %8d  %s\n' "$name" "${execs:-?}" "${#findings[@]}" "${findings[*]:-}"
  [ "${#findings[@]}" -eq 0 ] || found=1
done
exit "$found"
