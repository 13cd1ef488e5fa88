#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The layers, lowest first:
# model, render, files, platform, document, canvas, window, app. Argument: the source folder.
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"
layers=(model render files platform document canvas window app)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

status=0
while IFS=: read -r file line include; do
  here=${file#"$src"/}; here=${here%%/*}
  there=$(sed -E 's/.*"([a-z]+)\/.*/\1/' <<<"$include")
  [ -n "${rank[$here]+x}" ] && [ -n "${rank[$there]+x}" ] || continue
  if [ "${rank[$there]}" -gt "${rank[$here]}" ]; then
    echo "$file:$line: $here/ must not include $there/ (${include#*#include })"
    status=1
  fi
done < <(grep -rnE '^\s*#\s*include\s+"[a-z]+/' "$src" --include='*.h' --include='*.cpp')
[ $status -eq 0 ] && echo "includes point one way"
exit $status
