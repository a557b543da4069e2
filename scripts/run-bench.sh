#!/usr/bin/env bash
# Runs every benchmark binary of a build.
set -euo pipefail
build=${1:-build/release}
while IFS= read -r bench; do
  echo "== $(basename "$bench")"
  "$bench" "${@:2}"
done < <(find "$build/bench" -type f -perm -u+x -name '*_bench' | sort)
