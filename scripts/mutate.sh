#!/usr/bin/env bash
# Mutation testing of the whole tree, as the suite's baseline was taken: a
# scratch clone of this repository's HEAD, 25 mutants per directory, seed 1,
# every survivor rechecked against every test program that links its code.
# Takes about 15 minutes on the 2-core build machine; not part of CI.
# Usage: scripts/mutate.sh OUT_PREFIX [more mutate.py options]
#   writes OUT_PREFIX.txt (summary and survivors), .json and .csv.
# Environment: QV_MUTATE (the harness; default scripts/mutate.py, which knows
# the test programs of each directory of this tree), QV_MUTATE_DIR (the
# scratch clone, default a new temporary directory, removed afterwards).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 OUT_PREFIX [mutate.py options]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
shift
harness=${QV_MUTATE:-$root/scripts/mutate.py}
scratch=${QV_MUTATE_DIR:-}
if [ -z "$scratch" ]; then
  scratch=$(mktemp -d /tmp/qv-mut.XXXXXX)
  trap 'rm -rf "$scratch"' EXIT
fi
git clone -q "$root" "$scratch/repo"
python3 "$harness" --repo "$scratch/repo" --per-dir 25 --seed 1 --recheck-wide --out "$out" "$@"
