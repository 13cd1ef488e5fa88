#!/usr/bin/env bash
# Fails when one class, struct or enum name is defined in two headers. Two types of one name break
# the one-definition rule: the linker keeps either's inline functions (destructors too) for both,
# silently. Looks at definitions at namespace level (column 0), not forward declarations nor types
# nested in a class. Argument: the source folder.
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"

definitions=$(grep -rnE '^(class|struct|enum)\s' "$src" --include='*.h' |
  grep -vE '^[^:]+:[0-9]+:[^{]*;\s*$' |
  sed -E 's/^([^:]+:[0-9]+):(class|struct|enum)\s+((class|struct)\s+)?(\[\[[^]]*\]\]\s*)?([A-Za-z_][A-Za-z0-9_]*).*/\6 \1/' |
  sort -k1,1 -k2)
twice=$(awk '{print $1}' <<<"$definitions" | uniq -d)
if [ -n "$twice" ]; then
  for name in $twice; do
    echo "$name is defined more than once:"
    awk -v name="$name" '$1 == name {print "  " $2}' <<<"$definitions"
  done
  exit 1
fi
echo "each type name is defined once"
