#!/usr/bin/env bash
# Installs what is missing, builds everything, gives each fuzzer a short run, runs every test once
# shuffled in one process, then each on its own.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
./scripts/fuzz-smoke.sh "${FUZZ_SECONDS:-20}"
# Once in one process in a random order, so a test that leans on what an earlier one left behind fails.
QT_QPA_PLATFORM=offscreen ./build/tests/velmaris_tests --gtest_shuffle --gtest_brief=1
ctest --preset default -j2
