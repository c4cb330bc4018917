#!/usr/bin/env bash
# Configures (once) and builds one build folder with Ninja.
#   scripts/build.sh [--sanitize | --clang] [ninja targets...]
# The folder is build/ (build-asan/ with --sanitize, build-clang/ with --clang, a debug build with
# clang 14). A lock keeps two builds of the same folder from running at once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=build
# Line tables are all the debug information a backtrace needs, for a third less compile time.
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
# A build from scratch (CI's, the sanitizer build's) compiles each library's sources in batches,
# which reads the headers once per batch; a checkout being worked on recompiles one file a change.
unity=OFF
[ "${CI:-}" = "true" ] && unity=ON
case "${1:-}" in
--sanitize)
    shift
    dir=build-asan
    unity=ON
    options=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DOPT_SANITIZE=ON
        -DOPT_BENCHMARKS=OFF)
    ;;
--clang)
    shift
    dir=build-clang
    options=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-14)
    ;;
esac
# ccache, when the machine has it, lets several checkouts share what they compiled; with the
# precompiled headers it caches only when told to trust them.
command -v ccache >/dev/null &&
    options+=("-DCMAKE_CXX_COMPILER_LAUNCHER=env;CCACHE_SLOPPINESS=pch_defines,time_macros;ccache")
options+=(-DOPT_UNITY=$unity)
mkdir -p "$root/$dir"
exec 9>"$root/$dir/.build.lock"
flock 9
if [ ! -f "$root/$dir/build.ninja" ]; then
    cmake -S "$root" -B "$root/$dir" -G Ninja "${options[@]}" >/dev/null
fi
cmake --build "$root/$dir" -- "$@"
