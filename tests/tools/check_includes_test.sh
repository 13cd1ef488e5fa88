#!/usr/bin/env bash
# The include check passes a tree whose includes point down and fails one with an upward include.
set -euo pipefail
check="$(dirname "$0")/../../scripts/check-includes.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/model" "$tree/document"
echo '#include "model/Layer.h"' >"$tree/document/Operations.cpp"
echo '#include <QString>' >"$tree/model/Layer.h"
"$check" "$tree" >/dev/null || { echo "a downward include was refused"; exit 1; }
echo '#include "document/Operations.h"' >>"$tree/model/Layer.h"
if "$check" "$tree" >/dev/null; then echo "an upward include was accepted"; exit 1; fi
echo "include check: ok"
