#!/usr/bin/env bash
# Checks the desktop integration files: the menu entry is valid, the icon is well-formed,
# the file type maps *.cdg, zips are offered only as an "Open with" choice, and an install
# puts everything where desktops look for it.
# Usage: check-desktop-files.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src="$1"
build="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

desktop-file-validate "$src/share/quillet.desktop"
grep -qx 'Exec=quillet %f' "$src/share/quillet.desktop"
# Karaoke zips are plain zips: the entry lists the type so that "Open with" offers the
# player, but nothing installed makes it the default for every zip.
grep -qx 'MimeType=application/x-cdg;application/zip;' "$src/share/quillet.desktop"
xmllint --noout "$src/share/quillet.svg" "$src/share/quillet.xml"

# The MIME database built from our package file maps the glob to our type.
mkdir -p "$work/mime/packages"
cp "$src/share/quillet.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null
grep -q '^50:application/x-cdg:\*\.cdg$' "$work/mime/globs2"
if grep -qi 'zip' "$src/share/quillet.xml"; then
  echo "quillet.xml must leave the zip type alone" >&2
  exit 1
fi

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
# Installed, the entry is associated with zips (so listed under "Open with"), and no
# default-application list comes with it.
update-desktop-database "$work/prefix/share/applications"
grep -q '^application/zip=.*quillet\.desktop' "$work/prefix/share/applications/mimeinfo.cache"
if find "$work/prefix" -name '*mimeapps.list' -o -name 'defaults.list' | grep -q .; then
  echo "the install must not name default applications" >&2
  exit 1
fi
echo "desktop files: ok"
