#!/usr/bin/env bash
# Installs what is missing, builds everything, gives each fuzzer a short run, then runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
./scripts/fuzz-smoke.sh "${FUZZ_SECONDS:-20}"
ctest --preset default -j2
