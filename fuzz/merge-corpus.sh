#!/usr/bin/env bash
# Keeps what the long runs found: merges each target's corpus from <build>/fuzz-corpus into the
# checked-in fuzz/corpus/<target>, adding only the inputs that reach coverage the folder does not
# reach yet, so a fresh checkout starts fuzzing where the last runs stopped:
#   fuzz/merge-corpus.sh [build folder] [targets...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-fuzz}" && pwd)
shift $(($# < 1 ? $# : 1))
# shellcheck source=fuzz/fuzz-env.sh
source "$root/fuzz/fuzz-env.sh"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=("${fuzz_targets[@]}")
fi

for target in "${targets[@]}"; do
  kept=$root/fuzz/corpus/$target
  found=$build/fuzz-corpus/$target
  if [ ! -d "$found" ]; then
    echo "fuzz: $target has no corpus in $build, nothing to merge"
    continue
  fi
  before=$(find "$kept" -type f | wc -l)
  "$build/$target" -merge=1 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 "$kept" \
    "$found" > "$build/$target.merge.log" 2>&1 || {
    echo "fuzz: merging $target failed; log $build/$target.merge.log"
    exit 1
  }
  after=$(find "$kept" -type f | wc -l)
  echo "fuzz: $target keeps $after inputs in fuzz/corpus/$target ($((after - before)) new)"
done
