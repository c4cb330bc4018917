#!/usr/bin/env bash
# Configures (once) and builds one build folder with Ninja.
#   scripts/build.sh [--sanitize] [ninja targets...]
# The folder is build/ (build-asan/ with --sanitize). A lock keeps two builds of the same
# folder from running at once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    shift
    dir=build-asan
    options=(-DCMAKE_BUILD_TYPE=Debug -DOPT_SANITIZE=ON -DOPT_BENCHMARKS=OFF)
fi
# ccache, when the machine has it, lets several checkouts share what they compiled.
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
mkdir -p "$root/$dir"
exec 9>"$root/$dir/.build.lock"
flock 9
if [ ! -f "$root/$dir/build.ninja" ]; then
    cmake -S "$root" -B "$root/$dir" -G Ninja "${options[@]}" >/dev/null
fi
cmake --build "$root/$dir" -- "$@"
