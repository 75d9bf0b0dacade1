#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a while on a copy of its seed corpus.
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS
# Prints the executions and crashes of each target; exits non-zero when a target crashed
# (its input is kept under BUILD_DIR/fuzz-artifacts/<target>/) or was not built.
set -u

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build_dir=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
targets="fuzz_read_data_file fuzz_numbers fuzz_fit fuzz_graphs fuzz_cli_args"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
summary=""

for target in $targets; do
  bin="$build_dir/fuzz/$target"
  if [ ! -x "$bin" ]; then
    summary+=$(printf '%-22s %14s %8s  %s' "$target" "-" "-" "not built")$'\n'
    status=1
    continue
  fi
  corpus="$work/$target"
  artifacts="$build_dir/fuzz-artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  if [ -d "$root/fuzz/corpus/$target" ]; then
    cp -r "$root/fuzz/corpus/$target/." "$corpus/"
  fi
  log="$work/$target.log"
  touch "$work/$target.start"
  echo "== $target: ${seconds}s"
  "$bin" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -n "$execs" ] || execs=$(grep -o '#[0-9]*' "$log" | tail -1 | tr -d '#')
  crashes=$(find "$artifacts" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'timeout-*' -o -name 'oom-*' -o -name 'leak-*' \) -newer "$work/$target.start" 2>/dev/null | wc -l)
  if [ $rc -ne 0 ]; then
    [ "$crashes" -gt 0 ] || crashes=1
    status=1
    cp "$log" "$artifacts/last-run.log"
    note="CRASH (exit $rc), log and input in $artifacts"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz invariant|.*runtime error)' "$log" | head -5
  else
    note="ok"
  fi
  summary+=$(printf '%-22s %14s %8s  %s' "$target" "${execs:-0}" "$crashes" "$note")$'\n'
done

echo
printf '%-22s %14s %8s  %s\n' "target" "executions" "crashes" ""
printf '%s' "$summary"
exit $status
