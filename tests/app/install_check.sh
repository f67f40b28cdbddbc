#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what the desktop
# sees: the launcher and program folder, a valid menu entry whose command is
# the launcher, the icon, and the ".leafbook" type registered with the
# desktop's MIME database and handled by the entry.
# Usage: install_check.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in desktop-file-validate update-mime-database update-desktop-database; do
  if ! command -v "$tool" >/dev/null; then echo "SKIP: $tool is not installed"; exit 77; fi
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log"; fail "cmake --install"; }

[ -x "$prefix/bin/leafweaver" ] || fail "no launcher in bin"
[ -x "$prefix/lib/leafweaver/leafweaver" ] || fail "no program in lib/leafweaver"
[ -x "$prefix/lib/leafweaver/pdf2swf" ] || fail "no converter in lib/leafweaver"

entry=$prefix/share/applications/leafweaver.desktop
[ -f "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" || fail "desktop entry does not validate"
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$prefix/bin/$exec_cmd" ] || fail "the entry runs '$exec_cmd', which is not the installed launcher"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -s "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon '$icon'"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" || fail "the icon is not SVG"

# The install step updated the MIME cache of the prefix: the type is known
# by its extension, and the entry is listed as the program for it.
grep -q '^[0-9]*:application/x-leafweaver-book:\*\.leafbook$' "$prefix/share/mime/globs2" \
  || fail ".leafbook is not in the MIME database's globs"
grep -q '^application/x-leafweaver-book=.*leafweaver\.desktop' "$prefix/share/applications/mimeinfo.cache" \
  || fail "the entry is not registered for the book type"
echo "installed desktop entry, icon and book type: ok"
