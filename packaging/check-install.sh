#!/usr/bin/env bash
# Installs a build into a scratch folder and checks what lands there: exactly the expected files,
# every document the README links, a valid menu entry whose icon is installed, and a program that
# answers --version without a display and refuses a bad option with exit code 2.
#   check-install.sh BUILD_DIR SOURCE_DIR APP_ID VERSION
set -euo pipefail
build=$1 source=$2 app_id=$3 version=$4
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null

doc=usr/share/doc/opos-printer-test
expected=(
    usr/bin/opos-printer-test
    "usr/share/applications/$app_id.desktop"
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    "usr/share/icons/hicolor/48x48/apps/$app_id.png"
    "usr/share/icons/hicolor/256x256/apps/$app_id.png"
    "$doc/README.md" "$doc/copyright" "$doc/changelog.Debian.gz"
    usr/share/man/man1/opos-printer-test.1.gz
)
for example in "$source"/examples/*.txt; do
    [ -e "$example" ] && expected+=("$doc/examples/$(basename "$example")")
done
for document in "$source"/docs/*.md; do
    [ -e "$document" ] && expected+=("$doc/docs/$(basename "$document")")
done
actual=$(cd "$stage" && find . -type f -printf '%P\n' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$actual" != "$wanted" ]; then
    diff <(echo "$wanted") <(echo "$actual") >&2 || true
    fail "the install tree differs from the expected files (< expected, > installed)"
fi

# Every document the installed README links is installed where the link leads.
while read -r link; do
    [ -e "$stage/$doc/$link" ] || fail "the README links $link, which is not installed"
done < <(grep -oE '\]\([^):#]+\)' "$stage/$doc/README.md" | sed -E 's/^\]\((.*)\)$/\1/')

desktop-file-validate "$stage/usr/share/applications/$app_id.desktop" ||
    fail "the menu entry is not valid"
grep -qx "Icon=$app_id" "$stage/usr/share/applications/$app_id.desktop" ||
    fail "the menu entry does not name the installed icon"
grep -qx "Exec=opos-printer-test" "$stage/usr/share/applications/$app_id.desktop" ||
    fail "the menu entry does not start the installed program"
for size in 48 256; do
    png="$stage/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    # The PNG header's width and height, big-endian at bytes 16 and 20.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dims" = "${size}x${size}" ] || fail "the ${size} px icon is $dims"
done

program="$stage/usr/bin/opos-printer-test"
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u OPOS_CONTROL_VERSION)
answer=$("${no_display[@]}" "$program" --version) || fail "--version failed"
[ "$answer" = "opos-printer-test $version" ] || fail "--version answered \"$answer\""

status=0
message=$("${no_display[@]}" "$program" --control-version 1.x 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] || fail "a bad --control-version exited with $status"
[[ "$message" == *'"1.x" is not a version'* ]] || fail "a bad --control-version said \"$message\""
status=0
message=$("${no_display[@]}" OPOS_CONTROL_VERSION=one "$program" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] || fail "a bad OPOS_CONTROL_VERSION exited with $status"
[[ "$message" == OPOS_CONTROL_VERSION* ]] || fail "a bad OPOS_CONTROL_VERSION said \"$message\""
echo "install tree OK"
