#!/usr/bin/env bash
# Installs what is missing, builds the editor and starts it. Arguments go to the editor.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target velmaris-images
exec ./build/velmaris-images "$@"
