#!/usr/bin/env bash
# Runs every fuzz target for a while, two at a time (the machine has two cores), each from its
# checked-in seeds plus what earlier runs in the same build folder found:
#   fuzz/run-long.sh <seconds per target> [build folder] [targets...]
# The build folder is one configured with -DVEXMOR_FUZZ=ON (scripts/fuzz-ci makes one). Fails
# when any target reports a finding; the input that caused it is left in <build>/fuzz-artifacts.
# Every run is added to <build>/fuzz-executions.tsv, so runs spread over days add up per target;
# VEXMOR_FUZZ_LEDGER names another tally, such as the checked-in fuzz/executions.tsv.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?usage: fuzz/run-long.sh <seconds per target> [build folder] [targets...]}
build=$(cd "${2:-$root/build-fuzz}" && pwd)
shift $(($# < 2 ? $# : 2))
# shellcheck source=fuzz/fuzz-env.sh
source "$root/fuzz/fuzz-env.sh"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=("${fuzz_targets[@]}")
fi

# Inputs longer than these reach nothing new in their formats and only slow the runs.
declare -A max_len=([dat_fuzz]=4096 [mip_fuzz]=2048 [mi4_fuzz]=1024 [mesh_fuzz]=2048
                    [pcx_fuzz]=2048 [png_fuzz]=4096 [run_fuzz]=8192)

# Each target's scratch folder lives in memory when it can; libFuzzer ends without running exit
# handlers, so the folder is removed here.
scratch_base=/dev/shm
[ -d "$scratch_base" ] || scratch_base=${TMPDIR:-/tmp}

run_target() {
  local target=$1
  local corpus=$build/fuzz-corpus/$target
  local artifacts=$build/fuzz-artifacts/$target/
  local scratch=$scratch_base/vexmor-fuzz-$$-$target
  mkdir -p "$corpus" "$artifacts" "$scratch"
  local status=0
  VEXMOR_FUZZ_TMPDIR=$scratch "$build/$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -malloc_limit_mb=512 -max_len="${max_len[$target]}" \
    -dict="$root/fuzz/$target.dict" -artifact_prefix="$artifacts" -print_final_stats=1 \
    "$corpus" "$root/fuzz/corpus/$target" > "$build/$target.log" 2>&1 || status=$?
  rm -rf "$scratch"
  return $status
}

ledger=${VEXMOR_FUZZ_LEDGER:-$build/fuzz-executions.tsv}
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo "-")

failed=0
report() {
  local target=$1 status=$2
  local runs total
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$build/$target.log" | grep -o '[0-9]*$' || echo 0)
  # The log is written last when the target ends: its time tells how long a run stopped early
  # lasted.
  local lasted
  lasted=$(($(stat -c %Y "$build/$target.log") - started))
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$target" "$runs" "$lasted" "$status" "$commit" \
    "$(date -u +%FT%TZ)" >> "$ledger"
  total=$(awk -F'\t' -v t="$target" '$1 == t { n += $2 } END { print n + 0 }' "$ledger")
  if [ "$status" -eq 0 ]; then
    echo "fuzz: $target passed, $runs executions in ${lasted}s ($total in all runs here)"
  else
    echo "fuzz: $target FAILED (exit $status), $runs executions; log $build/$target.log"
    grep -E 'ERROR|SUMMARY|Test unit written' "$build/$target.log" | head -20 || true
    failed=1
  fi
}

# Two lanes: start two targets, wait for both, go on with the next two.
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  names=()
  started=$(date +%s)
  for target in "${targets[@]:i:2}"; do
    run_target "$target" &
    pids+=($!)
    names+=("$target")
  done
  for j in "${!pids[@]}"; do
    status=0
    wait "${pids[$j]}" || status=$?
    report "${names[$j]}" "$status"
  done
done
exit $failed
