#!/usr/bin/env bash
# Runs each layer's test program once, all its tests in one process in a random order, so a test
# that leans on what an earlier one left behind fails. A program that fails or crashes does not stop
# the others. Arguments: the build folder, then options for every program (--gtest_filter=…).
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
failed=()
for layer in model render files platform document canvas window app; do
  program="$build/tests/velmaris_${layer}_tests"
  [ -x "$program" ] || continue
  echo "== velmaris_${layer}_tests"
  QT_QPA_PLATFORM=offscreen "$program" --gtest_shuffle --gtest_brief=1 "$@" || failed+=("$layer")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
