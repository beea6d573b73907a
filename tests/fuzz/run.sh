#!/usr/bin/env bash
# Builds the fuzz targets with clang into build/fuzz and runs each one briefly from its seed
# corpus (a fixed number of executions with a fixed seed; see CMakeLists.txt). Exits non-zero
# when the build fails or any target crashes or fails a check. Extra arguments go to ctest.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR="$ROOT/build/fuzz"

cmake -S "$ROOT/tests/fuzz" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" -- --no-print-directory >/dev/null
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" "$@"
