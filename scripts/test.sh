#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test, then a short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default -j2
./scripts/fuzz-smoke.sh "${FUZZ_SECONDS:-20}"
