#!/usr/bin/env bash
# The folders of the tool include one another in one direction only, lowest
# first: convert, platform, resources, host, context, dialog, driver, filter.
# Each folder below names the folders it may include (tests/, fuzz/ and
# bench/ may include any); CMake links follow the same lines.
# Usage: check-layers.sh (from anywhere)
set -euo pipefail
cd "$(dirname "$0")/../.."
declare -A allowed=(
  [convert]="convert resources"
  [platform]="platform convert"
  [resources]="resources"
  [host]="host platform convert"
  [context]="context host platform convert"
  [dialog]="dialog context resources host platform convert"
  [driver]="driver dialog context resources host platform convert"
  [filter]="filter driver context host platform convert"
  [testhost]="testhost host platform convert"
)
failed=0
for dir in "${!allowed[@]}"; do
  while IFS=: read -r file header; do
    [[ " ${allowed[$dir]} " == *" ${header%%/*} "* ]] || { echo "FAIL: $file includes $header"; failed=1; }
  done < <(grep -HEo '^#include "[a-z_]+/[^"]+"' "$dir"/*.{h,cpp,c,rc} 2>/dev/null | sed 's/#include "//; s/"$//' || true)
done
[ $failed = 0 ] && echo "layers: every include points down"
exit $failed
