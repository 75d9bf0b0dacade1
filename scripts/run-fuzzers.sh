#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a while on a copy of its seed corpus.
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS [AT_ONCE]
# AT_ONCE targets run side by side (default 1). Prints the executions, the executions a
# second and the crashes of each target; exits non-zero when a target crashed (its input is
# kept under BUILD_DIR/fuzz-artifacts/<target>/) or was not built.
set -u

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 BUILD_DIR SECONDS [AT_ONCE]" >&2
  exit 2
fi
build_dir=$1
seconds=$2
at_once=${3:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
targets=${FUZZ_TARGETS:-"fuzz_read_data_file fuzz_numbers fuzz_fit fuzz_graphs fuzz_cli_args fuzz_table_reader fuzz_compare fuzz_bands fuzz_pasted_points"}
# A campaign stops each target at a number of executions too, whichever comes first:
# FUZZ_RUNS for every target, FUZZ_RUNS_<target> for one (say FUZZ_RUNS_fuzz_graphs=1000000).

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One target: its summary line goes to $work/<target>.line, its status to .status.
run_one() {
  local target=$1 bin="$build_dir/fuzz/$1"
  if [ ! -x "$bin" ]; then
    printf '%-22s %14s %10s %8s  %s\n' "$target" "-" "-" "-" "not built" >"$work/$target.line"
    echo 1 >"$work/$target.status"
    return
  fi
  local corpus="$work/$target" artifacts="$build_dir/fuzz-artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  if [ -d "$root/fuzz/corpus/$target" ]; then
    cp -r "$root/fuzz/corpus/$target/." "$corpus/"
  fi
  local log="$work/$target.log"
  touch "$work/$target.start"
  local runs_of="FUZZ_RUNS_$target"
  local runs=${!runs_of:-${FUZZ_RUNS:-0}}
  echo "== $target: ${seconds}s$([ "$runs" -gt 0 ] && echo " or $runs executions")"
  local started=$SECONDS
  "$bin" -max_total_time="$seconds" -runs="$([ "$runs" -gt 0 ] && echo "$runs" || echo -1)" -timeout=30 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1
  local rc=$?
  local took=$((SECONDS - started))
  local execs
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -n "$execs" ] || execs=$(grep -o '#[0-9]*' "$log" | tail -1 | tr -d '#')
  local crashes
  crashes=$(find "$artifacts" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'oom-*' -o -name 'leak-*' \) -newer "$work/$target.start" 2>/dev/null | wc -l)
  local note="ok" status=0
  if [ $rc -ne 0 ]; then
    [ "$crashes" -gt 0 ] || crashes=1
    status=1
    cp "$log" "$artifacts/last-run.log"
    note="CRASH (exit $rc), log and input in $artifacts"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz invariant|.*runtime error)' "$log" | head -5
  fi
  local rate
  rate=$(awk -v e="${execs:-0}" -v s="$took" 'BEGIN { printf "%.0f", (s > 0 ? e / s : e) }')
  printf '%-22s %14s %10s %8s  %s\n' "$target" "${execs:-0}" "$rate" "$crashes" "$note" >"$work/$target.line"
  echo $status >"$work/$target.status"
}

running=0
for target in $targets; do
  run_one "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$at_once" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

status=0
echo
printf '%-22s %14s %10s %8s  %s\n' "target" "executions" "per second" "crashes" ""
for target in $targets; do
  cat "$work/$target.line"
  [ "$(cat "$work/$target.status")" = 0 ] || status=1
done
exit $status
