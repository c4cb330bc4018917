#!/usr/bin/env bash
# Installs what is missing, builds, and starts the application on the simulated devices.
# Extra arguments go to the application (for example --control-version 1.4.0).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" opos-printer-test
exec "$root/build/opos-printer-test" "$@"
