#!/usr/bin/env bash
# Installs what is missing, builds everything, gives each fuzzer a short run, runs each layer's test
# program once shuffled, then each test on its own.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
./scripts/fuzz-smoke.sh "${FUZZ_SECONDS:-20}"
./scripts/run-layer-tests.sh build
ctest --preset default -j2
