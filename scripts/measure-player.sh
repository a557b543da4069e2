#!/usr/bin/env bash
# CPU use and resident memory of the player while it plays the demo track, and while it
# sits with no track, through the default audio output of a null-output sound server.
# Usage: scripts/measure-player.sh [build-dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--inside" ]; then
  # Runs on the display: start the player, let it settle, sample it over the period.
  player=$2 track=$3 seconds=$4
  if [ -n "$track" ]; then "$player" "$track" & else "$player" & fi
  pid=$!
  hz=$(getconf CLK_TCK)
  sleep 3  # start-up is not playing
  ticks0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$seconds"
  ticks1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  awk -v d=$((ticks1 - ticks0)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "cpu: %.2f%% of one core\n", 100 * d / hz / s }'
  awk '/^VmRSS|^VmHWM/ { printf "%s %d MB\n", $1, $2 / 1024 }' "/proc/$pid/status"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  exit 0
fi

build_dir=${1:-build/release}
seconds=${2:-20}
player="$build_dir/player/app/quillet"
track=$(find demo -maxdepth 1 -type f \( -name '*.cdg' -o -name '*.bin' \) 2>/dev/null | sort | head -n 1)
if [ ! -x "$player" ] || [ -z "$track" ]; then
  echo "measure-player: needs $player and a demo track in demo/" >&2
  exit 1
fi

source scripts/null-sound-server.sh
if [ -z "${TINDLIB_AUDIO_SINK:-}" ]; then
  start_null_sound_server
fi
run_inside() {
  if [ -n "${DISPLAY:-}" ]; then
    bash "$0" --inside "$player" "$1" "$seconds"
  else
    xvfb-run -a -s "-screen 0 800x600x24" bash "$0" --inside "$player" "$1" "$seconds"
  fi
}
echo "Playing $track for $seconds s (after 3 s of start-up)"
run_inside "$track"
echo "No track, idle, for $seconds s"
run_inside ""
