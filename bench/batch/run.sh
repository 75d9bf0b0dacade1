#!/usr/bin/env bash
# Batch speed comparison: kinetra-fit against a Python script that fits the same files
# with scipy's curve_fit (Levenberg-Marquardt).
#
#   bench/batch/run.sh BUILD_DIR [N]
#
# Writes N (default 1000) data files of 200 points into a temporary directory and times,
# as whole processes (start-up included), wall clock:
#   1. kinetra-fit --json --baseline 0 FILE...   one process for the whole batch
#   2. kinetra-fit --json --baseline 0 FILE      one process per file (for reference)
#   3. python3 scipy_fit.py FILE...              one process for the whole batch
# Each is run REPEATS times (environment, default 3), interleaved; the shortest time of
# each counts. Then compares the results of 1 and 3 (V, n, K within TOLERANCE, default
# 1e-3 relative).
#
# Exit status: 0 the batch took at most a fifth of the scipy time and the results agree;
# 1 it took longer; 2 usage or set-up error; 3 a fitter failed or the results disagree.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repeats=${REPEATS:-3}
tolerance=${TOLERANCE:-1e-3}
goal=0.2  # kinetra-fit's share of the scipy time

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 BUILD_DIR [N]" >&2
  exit 2
fi
count=${2:-1000}
exe=$(cd "$1" 2>/dev/null && pwd)/kinetra-fit
if [ ! -x "$exe" ]; then
  echo "run.sh: no kinetra-fit in $1 (build the target kinetra-fit first)" >&2
  exit 2
fi
if ! [[ "$count" =~ ^[1-9][0-9]*$ && "$repeats" =~ ^[1-9][0-9]*$ ]]; then
  echo "run.sh: N and REPEATS must be positive whole numbers" >&2
  exit 2
fi

# Debian's python3 has python3-scipy (scripts/install-deps.sh); another python3 found
# first on PATH may not. PYTHON chooses one explicitly.
python=${PYTHON:-}
if [ -z "$python" ]; then
  for candidate in /usr/bin/python3 python3; do
    if "$candidate" -c 'import numpy, scipy.optimize' 2>/dev/null; then python=$candidate; break; fi
  done
fi
if [ -z "$python" ] || ! "$python" -c 'import numpy, scipy.optimize' 2>/dev/null; then
  echo "run.sh: no python3 with numpy and scipy (run scripts/install-deps.sh)" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kinetra-batch.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
"$python" "$here/make_batch.py" "$work/data" --count "$count" || exit 2

# Relative names keep the command line short, also for large N.
cd "$work/data" || exit 2
files=(*.txt)
echo "batch: ${#files[@]} files of 200 points, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "kinetra-fit: $exe"
echo "python: $python (scipy $("$python" -c 'import scipy; print(scipy.__version__)'))"

one_per_file() {
  local f
  for f in "${files[@]}"; do
    "$exe" --json --baseline 0 "$f" || return
  done
}

# timed NAME OUTPUT COMMAND...: runs COMMAND with its output in OUTPUT and its messages in
# $work/NAME.err, appends the wall time in seconds to $work/NAME.times, and returns the
# command's exit status.
timed() {
  local name=$1 output=$2 status
  shift 2
  local TIMEFORMAT=%R
  { time "$@" >"$output" 2>"$work/$name.err"; } 2>"$work/time"
  status=$?
  cat "$work/time" >>"$work/$name.times"
  return $status
}

failed=0
for ((r = 1; r <= repeats; ++r)); do
  if ! timed batch "$work/kinetra.jsonl" "$exe" --json --baseline 0 "${files[@]}"; then
    echo "kinetra-fit (batch) failed on run $r:" >&2; head -5 "$work/batch.err" >&2; failed=1
  fi
  if ! timed loop "$work/loop.jsonl" one_per_file; then
    echo "kinetra-fit (one per file) failed on run $r:" >&2; head -5 "$work/loop.err" >&2; failed=1
  fi
  if ! timed scipy "$work/scipy.txt" "$python" "$here/scipy_fit.py" --baseline 0 "${files[@]}"; then
    echo "scipy_fit.py did not fit every file on run $r ($(grep -c $'\tfailed\t' "$work/scipy.txt") failed)" >&2
  fi
done

best() { sort -g "$work/$1.times" | head -1; }
all() { tr '\n' ' ' <"$work/$1.times"; }
batch=$(best batch)
loop=$(best loop)
scipy=$(best scipy)
echo
echo "wall time, shortest of $repeats (all runs, seconds):"
printf '  kinetra-fit, one process:      %8.3f s   (%s)\n' "$batch" "$(all batch)"
printf '  kinetra-fit, process per file: %8.3f s   (%s)\n' "$loop" "$(all loop)"
printf '  scipy curve_fit (lm):          %8.3f s   (%s)\n' "$scipy" "$(all scipy)"
ratio=$(awk -v k="$batch" -v s="$scipy" 'BEGIN { if (s > 0) printf "%.3f", k / s; else print "inf" }')
echo "ratio kinetra-fit / scipy: $ratio (goal: at most $goal)"
awk -v k="$batch" -v s="$scipy" 'BEGIN { if (k > 0) printf "scipy takes %.1f times as long\n", s / k }'

echo
echo "agreement of kinetra-fit (one process) and scipy:"
"$python" "$here/compare.py" "$work/kinetra.jsonl" "$work/scipy.txt" --tolerance "$tolerance" || failed=1
if ! cmp -s "$work/kinetra.jsonl" "$work/loop.jsonl"; then
  echo "kinetra-fit gave other results one process per file than in one batch" >&2
  failed=1
fi

if [ $failed -ne 0 ]; then
  echo "FAILED: a fitter failed or the results disagree"
  exit 3
fi
if awk -v k="$batch" -v s="$scipy" -v g="$goal" 'BEGIN { exit !(k <= g * s) }'; then
  echo "PASSED: kinetra-fit took at most a fifth of the scipy time"
  exit 0
fi
echo "FAILED: kinetra-fit took more than a fifth of the scipy time"
exit 1
