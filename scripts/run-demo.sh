#!/usr/bin/env bash
# Plays the demo track in the player. Without a display, runs it under Xvfb for a few
# seconds and saves a screenshot of the screen, so a headless machine shows it working.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/release}
player="$build_dir/player/app/quillet"
seconds=${QUILLET_DEMO_SECONDS:-8}

if [ ! -x "$player" ]; then
  echo "run-demo: $player is missing; build first (make build)" >&2
  exit 1
fi
track=$(find demo -maxdepth 1 -type f \( -name '*.cdg' -o -name '*.bin' \) 2>/dev/null | sort | head -n 1)
if [ -z "$track" ]; then
  echo "run-demo: no demo track (*.cdg or *.bin) in demo/" >&2
  exit 1
fi
track=$(realpath "$track")

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Playing $track (close the window to end)"
  exec "$player" "$track"
fi

shot="$build_dir/demo-screenshot.png"
mkdir -p "$(dirname "$shot")"
rm -f "$shot"
# Nobody listens on a headless machine: a private sound server with a null output plays
# the audio, so the demo goes through the default output as on a desktop.
source scripts/null-sound-server.sh
start_null_sound_server
unset TINDLIB_AUDIO_SINK
echo "No display: playing $track under Xvfb for $seconds s"
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  "$1" "$2" &
  pid=$!
  sleep "$3"
  status=0
  if kill -0 "$pid" 2>/dev/null; then
    import -window root -trim +repage "$4" || status=$?
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  else
    echo "run-demo: the player ended early" >&2
    wait "$pid" || true
    status=1
  fi
  exit $status
' run-demo "$player" "$track" "$seconds" "$shot"
echo "Screenshot of the player after $seconds s: $(realpath "$shot")"
