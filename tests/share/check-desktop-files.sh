#!/usr/bin/env bash
# Checks the desktop integration files: the menu entry is valid, the icon is well-formed,
# the file type maps *.cdg, and an install puts everything where desktops look for it.
# Usage: check-desktop-files.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src="$1"
build="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

desktop-file-validate "$src/share/quillet.desktop"
grep -qx 'Exec=quillet %f' "$src/share/quillet.desktop"
grep -qx 'MimeType=application/x-cdg;' "$src/share/quillet.desktop"
xmllint --noout "$src/share/quillet.svg" "$src/share/quillet.xml"

# The MIME database built from our package file maps the glob to our type.
mkdir -p "$work/mime/packages"
cp "$src/share/quillet.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null
grep -q '^50:application/x-cdg:\*\.cdg$' "$work/mime/globs2"

cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in share/applications/quillet.desktop \
         share/icons/hicolor/scalable/apps/quillet.svg \
         share/mime/packages/quillet.xml \
         share/quillet/demo/demo.cdg share/quillet/demo/demo.mp3 \
         bin/player.htm; do
  if [ ! -s "$work/prefix/$f" ]; then
    echo "not installed: $f" >&2
    exit 1
  fi
done
echo "desktop files: ok"
