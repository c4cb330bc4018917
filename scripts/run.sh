#!/usr/bin/env bash
# Installs what is missing, builds, and starts the application on the simulated devices.
# Extra arguments go to the application (for example --control-version 1.4.0).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Installing and building report on stderr: stdout is the program's alone (a --run transcript).
"$root/scripts/deps.sh" >&2
"$root/scripts/build.sh" opos-printer-test >&2
exec "$root/build/opos-printer-test" "$@"
