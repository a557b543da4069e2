#!/usr/bin/env bash
# The main job: shows the CD+G engine at work on a generated track, rendering its frames.
set -euo pipefail
build=${1:-build/release}
out=${QUILLET_DEMO_OUT:-out/demo}
mkdir -p "$out"
"$build/tools/cdgsample/cdgsample" "$out/sample.cdg" 40
"$build/tools/cdgrender/cdgrender" "$out/sample.cdg" --every 2.5 --out-dir "$out/frames"
echo "Frames of the generated track are in $out/frames (one PNG every 2.5 s)."
