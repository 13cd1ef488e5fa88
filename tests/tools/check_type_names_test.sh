#!/usr/bin/env bash
# The type name check passes distinct names, forward declarations and nested types, and fails a
# name defined in two headers.
set -euo pipefail
check="$(dirname "$0")/../../scripts/check-type-names.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/files" "$tree/app"
printf 'struct ExportRequest {\n    int scale;\n};\nclass Panel final : public Base {\n    struct Row {};\n};\n' >"$tree/files/Export.h"
printf 'class Panel;\nstruct ExportCommandRequest\n{\n    struct Row {};\n};\n' >"$tree/app/Command.h"
"$check" "$tree" >/dev/null || { echo "distinct type names were refused"; exit 1; }
printf 'struct ExportRequest {\n    double scale;\n};\n' >>"$tree/app/Command.h"
if "$check" "$tree" >/dev/null; then echo "a type defined in two headers was accepted"; exit 1; fi
echo "type name check: ok"
