#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a few seconds each, from generated seeds.
set -euo pipefail
build=${1:-build/fuzz}
seconds=${2:-20}
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
status=0
while IFS= read -r fuzzer; do
  name=$(basename "$fuzzer")
  mkdir -p "$corpus/$name"
  seeds="$(dirname "$0")/../fuzz/seeds/$name"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus/$name/"
  echo "== $name ($seconds s)"
  "$fuzzer" -max_total_time="$seconds" -max_len=65536 "$corpus/$name" 2>&1 | tail -3 || status=1
done < <(find "$build/fuzz" -type f -perm -u+x -name '*_fuzzer')
exit $status
