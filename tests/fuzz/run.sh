#!/usr/bin/env bash
# Builds the fuzz targets with clang into build/fuzz and runs each one briefly from its seed
# corpus (a fixed number of executions with a fixed seed; see CMakeLists.txt). Exits non-zero
# when the build fails or any target crashes or fails a check. Extra arguments go to ctest.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
build_fuzz
ctest --test-dir "$BUILD/fuzz" --output-on-failure -j "$(nproc)" "$@"
