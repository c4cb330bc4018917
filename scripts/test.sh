#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
# With CI=true or --sanitize it also builds and runs the whole suite under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/. With CI=true it first checks the C++ files' format,
# and at the end builds the Debian package, checks it with lintian, installs it with apt and asks
# the installed program its version.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sanitize=false
[ "${CI:-}" = "true" ] && sanitize=true
[ "${1:-}" = "--sanitize" ] && sanitize=true

"$root/scripts/deps.sh"
[ "${CI:-}" = "true" ] && "$root/scripts/check-format.sh"
export QT_QPA_PLATFORM=offscreen

"$root/scripts/build.sh"
(cd "$root/build" && ctest --output-on-failure -j2)

if $sanitize; then
    "$root/scripts/build.sh" --sanitize test_programs
    (cd "$root/build-asan" && \
        ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --output-on-failure -j2)
fi

if [ "${CI:-}" = "true" ]; then
    "$root/scripts/check-package.sh"
fi
