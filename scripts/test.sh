#!/usr/bin/env bash
# Builds Zentrola and runs the whole test suite. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build} TARGETS=all scripts/setup.sh "$@"
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j"$(nproc)"
