#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build, each for a given time, from its seeds.
#
# Usage: scripts/run-fuzz.sh [BUILD_DIR] [SECONDS] [TARGET_REGEX] [-- LIBFUZZER_ARGS...]
#        scripts/run-fuzz.sh SECONDS [TARGET_REGEX]         (build dir build/fuzz)
#   SECONDS       time per target (default 20)
#   TARGET_REGEX  runs only the targets whose name matches (default: all)
#   FUZZ_JOBS     environment: targets run at the same time (default 1)
#
# Each target grows its corpus in BUILD_DIR/fuzz/corpus/<target> (kept between runs) and
# reads its seeds and regression inputs besides; a crash, leak, timeout or memory blow-up
# leaves its input in BUILD_DIR/fuzz/artifacts/<target>/ and fails the run. The log of each
# run is BUILD_DIR/fuzz/logs/<target>.log. A table of coverage, speed (per second of wall
# and of CPU time), peak memory and findings per target ends the output.
set -euo pipefail

build=build/fuzz
seconds=20
if [[ ${1:-} =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
elif [ $# -gt 0 ] && [ "$1" != "--" ]; then
  build=$1
  shift
  if [ $# -gt 0 ] && [ "$1" != "--" ]; then
    seconds=$1
    shift
  fi
fi
filter=.
if [ $# -gt 0 ] && [ "$1" != "--" ]; then
  filter=$1
  shift
fi
[ "${1:-}" = "--" ] && shift
extra=("$@")
jobs=${FUZZ_JOBS:-1}

if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "run-fuzz: SECONDS must be a positive whole number" >&2
  exit 2
fi
manifests=("$build"/fuzz/targets/*.conf)
if [ ! -e "${manifests[0]}" ]; then
  echo "run-fuzz: no fuzz targets in $build (cmake --preset fuzz && cmake --build --preset fuzz)" >&2
  exit 2
fi
mkdir -p "$build/fuzz/logs"

# run_target MANIFEST: one libFuzzer run; its summary line goes to logs/<name>.summary.
run_target() {
  local manifest=$1 name fuzzer="" max_len=4096 dict="" key value
  local -a seeds=() args=()
  name=$(basename "$manifest" .conf)
  while IFS='=' read -r key value; do
    case $key in
      fuzzer) fuzzer=$value ;;
      max_len) max_len=$value ;;
      dict) dict=$value ;;
      seeds) [ -d "$value" ] && seeds+=("$value") ;;
    esac
  done <"$manifest"
  local corpus="$build/fuzz/corpus/$name" artifacts="$build/fuzz/artifacts/$name"
  local log="$build/fuzz/logs/$name.log"
  if [ ! -x "$fuzzer" ]; then
    printf '%-30s not built (cmake --build --preset fuzz)\n' "$name" >"$build/fuzz/logs/$name.summary"
    return 1
  fi
  mkdir -p "$corpus" "$artifacts"
  args=(-max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=1024
        -print_final_stats=1 -artifact_prefix="$artifacts/")
  [ -n "$dict" ] && args+=(-dict="$dict")
  local before status=0
  before=$(find "$artifacts" -type f | wc -l)
  # CPU time besides wall time: on a shared machine executions per CPU second say more.
  local TIMEFORMAT='%U %S' cpu
  { time "$fuzzer" "${args[@]}" "${extra[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?; } \
    2>"$log.cpu"
  local cov execs units rss found per_cpu=?
  cov=$(grep -aoE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  execs=$(grep -aoE 'stat::average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  units=$(grep -aoE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  rss=$(grep -aoE 'stat::peak_rss_mb: *[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  cpu=$(awk '{ print $1 + $2 }' "$log.cpu" 2>/dev/null || true)
  if [ -n "$units" ] && [ -n "$cpu" ]; then
    per_cpu=$(awk -v u="$units" -v c="$cpu" 'BEGIN { print (c > 0 ? int(u / c) : "?") }')
  fi
  found=$(($(find "$artifacts" -type f | wc -l) - before))
  printf '%-30s %6s %8s %10s %7s %8s  %s\n' "$name" "${cov:-?}" "${execs:-?}" "$per_cpu" \
    "${rss:-?}" "$found" "$([ "$status" -eq 0 ] && echo ok || echo "FAILED (see $log)")" \
    >"$build/fuzz/logs/$name.summary"
  return "$status"
}

names=()
for manifest in "${manifests[@]}"; do
  name=$(basename "$manifest" .conf)
  [[ $name =~ $filter ]] || continue
  names+=("$name")
  echo "== $name ($seconds s)"
  rm -f "$build/fuzz/logs/$name.summary"
  run_target "$manifest" &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
done
wait
if [ ${#names[@]} -eq 0 ]; then
  echo "run-fuzz: no target matches '$filter'" >&2
  exit 2
fi

status=0
printf '\n%-30s %6s %8s %10s %7s %8s  %s\n' target cov exec/s exec/cpu-s rss_mb findings result
for name in "${names[@]}"; do
  summary="$build/fuzz/logs/$name.summary"
  if [ -f "$summary" ]; then
    cat "$summary"
    grep -q ' ok$' "$summary" || status=1
  else
    printf '%-30s did not finish\n' "$name"
    status=1
  fi
done
exit $status
