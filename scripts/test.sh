#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci -j "$(nproc)"
# The network and client tests once more under ASan and UBSan with leak detection: a client
# torn down at any point of a request must leave nothing behind. (The fuzz corpus replay runs
# above, as part of the ci tests.)
cmake --preset asan -DKALVANE_BUILD_BENCH=OFF
cmake --build --preset asan-network -j "$(nproc)"
ctest --preset asan-network -j "$(nproc)"
