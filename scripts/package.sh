#!/usr/bin/env bash
# Builds the Debian package of the program in build/package/ and prints its path. Its
# dependencies come from the libraries the program links (dpkg-shlibdeps).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" --package >&2
"$root/scripts/build.sh" opos-printer-test icons changelog manpage >&2
rm -f "$root"/build/package/*.deb
(cd "$root/build" && cpack -G DEB >&2)
ls "$root"/build/package/*.deb
