#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian (no error, no hardening note) and its
# contents, installs it with apt and runs the installed program's --version without a display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deb=$("$root/scripts/package.sh")
echo "Package: $deb"

# No error, and none of the hardening notes: the program is built with Debian's hardening flags.
status=0
findings=$(lintian --fail-on error --display-info "$deb") || status=$?
echo "$findings"
[ "$status" -eq 0 ] || { echo "FAIL: lintian found errors" >&2; exit 1; }
if grep -q 'hardening-' <<<"$findings"; then
    echo "FAIL: the program lacks some of Debian's hardening" >&2
    exit 1
fi

contents=$(dpkg-deb --contents "$deb")
echo "$contents"
doc=./usr/share/doc/opos-printer-test
for wanted in ./usr/bin/opos-printer-test ./usr/share/applications/ ./usr/share/icons/hicolor/ \
    $doc/README.md $doc/docs/scripts.md; do
    grep -q " $wanted" <<<"$contents" || { echo "FAIL: $wanted is not in the package" >&2; exit 1; }
done
if grep -qE '\.(a|h)$' <<<"$contents"; then
    echo "FAIL: the package holds libraries or headers of the build" >&2
    exit 1
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/opos-printer-test --version
