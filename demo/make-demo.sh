#!/usr/bin/env bash
# Regenerates the demo track: the song's audio and lyrics, the CD+G track, the MP3.
# Usage: demo/make-demo.sh [BUILD_DIR]   (default build/release, built first)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target musicgen lrc2cdg
"$build/tools/musicgen/musicgen" "$work/demo.wav" "$root/demo/demo.lrc"
"$build/tools/lrc2cdg/lrc2cdg" "$root/demo/demo.lrc" "$root/demo/demo.cdg"
gst-launch-1.0 -q filesrc location="$work/demo.wav" ! wavparse ! audioconvert \
  ! lamemp3enc target=bitrate bitrate=96 cbr=true ! filesink location="$work/demo.mp3"
mv "$work/demo.mp3" "$root/demo/demo.mp3"
ls -l "$root/demo"
