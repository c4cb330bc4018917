#!/usr/bin/env bash
# Fails, naming the files, when a C++ file is not formatted as .clang-format asks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(find src tests bench packaging -name '*.cpp' -o -name '*.h' | sort)
clang-format --dry-run --Werror "${files[@]}"
