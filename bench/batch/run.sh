#!/usr/bin/env bash
# Batch speed comparison: kinetra-fit against a Python script that fits the same files
# with scipy's curve_fit (Levenberg-Marquardt).
#
#   bench/batch/run.sh BUILD_DIR [N]
#
# Writes N (default 1000) data files of 200 points into a temporary directory and times,
# as whole processes (start-up included), wall clock:
#   1. kinetra-fit --json --baseline 0 FILE...        one process, default jobs (the cores)
#   2. kinetra-fit -j 1 --json --baseline 0 FILE...   one process, one file after another
#   3. kinetra-fit -j 2 --json --baseline 0 FILE...   one process, two files at once
#   4. kinetra-fit --json --baseline 0 FILE           one process per file (for reference)
#   5. python3 scipy_fit.py FILE...                   one process for the whole batch
#   6. kinetra-fit --json --stats --baseline 0 FILE... the fit statistics too (default jobs)
#   7. $BEFORE --json --baseline 0 FILE...          another build of kinetra-fit, when BEFORE
#                                                    names one (for a before-and-after figure)
# scipy runs with OPENBLAS_CORETYPE and OPENBLAS_L2_SIZE unset, as a current numpy runs; the
# BLAS core numpy then uses is printed when threadpoolctl is there. Wall time and CPU time
# (user + system) are both taken. Each is run REPEATS times (environment, default 5),
# interleaved; the median of each counts. Then compares the results of 1 and 5 (V, n, K within TOLERANCE, default 1e-3
# relative), and checks that 2, 3 and 4 gave the bytes of 1.
#
# Exit status: 0 kinetra-fit took at most a tenth of the scipy time with the default jobs
# and at most a fifth with -j 1, and the results agree; 1 it took longer; 2 usage or set-up
# error; 3 a fitter failed or the results disagree.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repeats=${REPEATS:-5}
tolerance=${TOLERANCE:-1e-3}
goal=0.1       # kinetra-fit's share of the scipy time, default jobs
goal_one=0.2   # the same with -j 1

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
blas=$(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE "$python" -c '
import numpy
try:
    from threadpoolctl import threadpool_info
    print("; ".join("%s %s core %s, %s threads" % (i.get("internal_api"), i.get("version"), i.get("architecture"), i.get("num_threads")) for i in threadpool_info()) or "no BLAS seen")
except ImportError:
    print("threadpoolctl not installed: BLAS core not known")
' 2>/dev/null)
echo "numpy BLAS: $blas"
before=${BEFORE:-}
if [ -n "$before" ] && [ ! -x "$before" ]; then echo "run.sh: BEFORE=$before is not a program" >&2; exit 2; fi

one_per_file() {
  local f
  for f in "${files[@]}"; do
    "$exe" --json --baseline 0 "$f" || return
  done
}

# timed NAME OUTPUT COMMAND...: runs COMMAND with its output in OUTPUT and its messages in
# $work/NAME.err, appends the wall time in seconds to $work/NAME.times and the CPU time
# (user + system) to $work/NAME.cpu, and returns the command's exit status.
timed() {
  local name=$1 output=$2 status
  shift 2
  local TIMEFORMAT='%R %U %S'
  { time "$@" >"$output" 2>"$work/$name.err"; } 2>"$work/time"
  status=$?
  awk '{ print $1 }' "$work/time" >>"$work/$name.times"
  awk '{ print $2 + $3 }' "$work/time" >>"$work/$name.cpu"
  return $status
}

failed=0
for ((r = 1; r <= repeats; ++r)); do
  if ! timed batch "$work/kinetra.jsonl" "$exe" --json --baseline 0 "${files[@]}"; then
    echo "kinetra-fit (batch) failed on run $r:" >&2; head -5 "$work/batch.err" >&2; failed=1
  fi
  if ! timed j1 "$work/j1.jsonl" "$exe" -j 1 --json --baseline 0 "${files[@]}"; then
    echo "kinetra-fit -j 1 failed on run $r:" >&2; head -5 "$work/j1.err" >&2; failed=1
  fi
  if ! timed j2 "$work/j2.jsonl" "$exe" -j 2 --json --baseline 0 "${files[@]}"; then
    echo "kinetra-fit -j 2 failed on run $r:" >&2; head -5 "$work/j2.err" >&2; failed=1
  fi
  if ! timed loop "$work/loop.jsonl" one_per_file; then
    echo "kinetra-fit (one per file) failed on run $r:" >&2; head -5 "$work/loop.err" >&2; failed=1
  fi
  if ! timed stats "$work/stats.jsonl" "$exe" --json --stats --baseline 0 "${files[@]}"; then
    echo "kinetra-fit --stats failed on run $r:" >&2; head -5 "$work/stats.err" >&2; failed=1
  fi
  if [ -n "$before" ] && ! timed before "$work/before.jsonl" "$before" --json --baseline 0 "${files[@]}"; then
    echo "$before failed on run $r:" >&2; head -5 "$work/before.err" >&2; failed=1
  fi
  if ! timed scipy "$work/scipy.txt" env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE \
      "$python" "$here/scipy_fit.py" --baseline 0 "${files[@]}"; then
    echo "scipy_fit.py did not fit every file on run $r ($(grep -c $'\tfailed\t' "$work/scipy.txt") failed)" >&2
  fi
done

median() { sort -g "$work/$1.${2:-times}" | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
all() { tr '\n' ' ' <"$work/$1.times"; }
batch=$(median batch)
j1=$(median j1)
j2=$(median j2)
loop=$(median loop)
scipy=$(median scipy)
echo
echo "wall time, median of $repeats (all runs, seconds):"
printf '  kinetra-fit, default jobs (%s): %8.3f s   (%s)\n' "$(nproc)" "$batch" "$(all batch)"
printf '  kinetra-fit -j 1:                %8.3f s   (%s)\n' "$j1" "$(all j1)"
printf '  kinetra-fit -j 2:                %8.3f s   (%s)\n' "$j2" "$(all j2)"
printf '  kinetra-fit, process per file:   %8.3f s   (%s)\n' "$loop" "$(all loop)"
printf '  scipy curve_fit (lm):            %8.3f s   (%s)\n' "$scipy" "$(all scipy)"
printf '  kinetra-fit --stats:             %8.3f s   (%s)\n' "$(median stats)" "$(all stats)"
[ -n "$before" ] && printf '  BEFORE (%s): %8.3f s   (%s)\n' "$before" "$(median before)" "$(all before)"
echo "CPU time (user + system), median of $repeats:"
for run in batch j1 j2 loop scipy stats ${before:+before}; do printf '  %-8s %8.3f s\n' "$run" "$(median $run cpu)"; done
echo "ratios (scipy time / kinetra-fit time), wall and CPU:"
for run in batch j1 j2; do
  awk -v name="$run" -v k="${!run}" -v s="$scipy" -v kc="$(median $run cpu)" -v sc="$(median scipy cpu)" \
    'BEGIN { if (k > 0 && kc > 0) printf "  %-6s wall %.1f times, CPU %.1f times\n", name, s / k, sc / kc }'
done
awk -v st="$(median stats)" -v b="$batch" -v stc="$(median stats cpu)" -v bc="$(median batch cpu)" \
  'BEGIN { if (b > 0 && bc > 0) printf "  --stats against the plain batch: wall %.2f times, CPU %.2f times\n", st / b, stc / bc }'
[ -n "$before" ] && awk -v o="$(median before)" -v b="$batch" 'BEGIN { if (b > 0) printf "  BEFORE / this build, wall: %.2f\n", o / b }'
echo "goals: default jobs at most $goal of the scipy time, -j 1 at most $goal_one"

echo
echo "agreement of kinetra-fit (one process) and scipy:"
"$python" "$here/compare.py" "$work/kinetra.jsonl" "$work/scipy.txt" --tolerance "$tolerance" || failed=1
for other in j1 j2 loop; do
  if ! cmp -s "$work/kinetra.jsonl" "$work/$other.jsonl"; then
    echo "kinetra-fit gave other output ($other) than with the default jobs" >&2
    failed=1
  fi
done

if [ $failed -ne 0 ]; then
  echo "FAILED: a fitter failed or the results disagree"
  exit 3
fi
if awk -v k="$batch" -v o="$j1" -v s="$scipy" -v g="$goal" -v h="$goal_one" 'BEGIN { exit !(k <= g * s && o <= h * s) }'; then
  echo "PASSED: kinetra-fit took at most a tenth of the scipy time (a fifth with -j 1)"
  exit 0
fi
echo "FAILED: kinetra-fit took more than a tenth of the scipy time (or a fifth with -j 1)"
exit 1
