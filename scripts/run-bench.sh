#!/usr/bin/env bash
# Runs every benchmark binary of a build.
set -euo pipefail
build=${1:-build/release}
cd "$(dirname "$0")/.."
# The player's launch benchmark plays through the default output of a real sound server.
source scripts/null-sound-server.sh
start_null_sound_server
while IFS= read -r bench; do
  echo "== $(basename "$bench")"
  "$bench" "${@:2}"
done < <(find "$build/bench" -type f -perm -u+x -name '*_bench' | sort)
