#!/usr/bin/env bash
# Installs what is missing, builds the release configuration and starts the app. Arguments
# are passed on to the app.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release
cmake --build --preset release -j "$(nproc)"
exec build/release/kalvane "$@"
