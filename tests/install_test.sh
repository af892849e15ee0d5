#!/bin/sh
# install_test.sh: installs a build into a temporary prefix and checks what a desktop
# user gets: programs, desktop entries, icon and manual pages.
#   install_test.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
fail() { echo "install_test: $*" >&2; exit 1; }
for f in bin/Tavrin bin/Ondrel share/applications/tavrin.desktop share/applications/ondrel.desktop \
         share/icons/hicolor/32x32/apps/tavrin-ondrel.png share/man/man1/Tavrin.1 share/man/man1/Ondrel.1; do
    [ -f "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/Tavrin" ] && [ -x "$prefix/bin/Ondrel" ] || fail "programs not executable"
file "$prefix/share/icons/hicolor/32x32/apps/tavrin-ondrel.png" | grep -q "PNG image data, 32 x 32" || fail "icon is not a 32 x 32 PNG"
desktop-file-validate "$prefix/share/applications/tavrin.desktop" "$prefix/share/applications/ondrel.desktop"
grep -q '^MimeType=model/obj;$' "$prefix/share/applications/tavrin.desktop" || fail "Tavrin opens no OBJ files"
grep -q '^Exec=Tavrin %f$' "$prefix/share/applications/tavrin.desktop" || fail "Tavrin's Exec does not pass the file"
for page in Tavrin Ondrel; do
    warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man page $page: $warnings"
done
# the installed programs are the real ones: without a display, status 1 and a reason
status=0
out=$(env -u DISPLAY SDL_VIDEODRIVER= "$prefix/bin/Tavrin" /nonexistent.obj 2>&1) || status=$?
[ "$status" -eq 1 ] || fail "Tavrin without a display gave status $status"
echo "$out" | grep -q "can't register the window class" || fail "Tavrin without a display said: $out"
echo "install_test: all installed files present and valid"
