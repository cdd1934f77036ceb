#!/usr/bin/env bash
# Builds the Release tree and times the reference wavemaker case (bench/cases/make_cases.py) at
# 250 x 125 and 1000 x 500 cells, twice each:
#   1. solver_bench: the same set-up through the solver API, time loop only, CPU time;
#   2. the swellix program on the generated parameter files (whole run: reading, signal
#      preparation, time loop, probe output), CPU time (user + sys) and wall time.
# The machine is shared: compare the CPU-time figures.
#
#   bench/run-bench.sh            environment: BUILD_DIR (build-perf), JOBS (2),
#                                 SMALL_STEPS (1111 = 100 s), BIG_STEPS (200 = 18 s),
#                                 BIG_DURATION (100 s for the swellix run of 1000 x 500),
#                                 SKIP_SWELLIX=1 to time the solver only
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-perf}"
jobs="${JOBS:-2}"
small_steps="${SMALL_STEPS:-1111}"
big_steps="${BIG_STEPS:-200}"
big_duration="${BIG_DURATION:-100}"
# Whole float arrays one pass streams in the plain weak configuration (docs/performance.md).
arrays="${ARRAYS_PER_PASS:-80.5}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$jobs" --target solver_bench swellix >/dev/null

echo "== solver_bench (time loop only, CPU time)"
"$build/bench/solver_bench" 250 125 "$small_steps" "$arrays"
"$build/bench/solver_bench" 1000 500 "$big_steps" "$arrays"

[[ "${SKIP_SWELLIX:-0}" == 1 ]] && exit 0
cases="$build/bench-cases"
python3 "$root/bench/cases/make_cases.py" "$cases"
sed -i "s/^:duration .*/:duration             $big_duration/" "$cases/bench_1000x500/bench.par"
swellix="$(find "$build" -type f -name swellix -perm -u+x | head -n 1)"
echo "== swellix (whole run)"
for c in 250x125 1000x500; do
  nx="${c%x*}"; ny="${c#*x}"
  dur="$(sed -n 's/^:duration *\([0-9.]*\).*/\1/p' "$cases/bench_$c/bench.par")"
  ( cd "$cases/bench_$c"
    /usr/bin/time -f "%U %S %e" -o time.txt "$swellix" bench.par >run.log 2>&1
    read -r user sys wall <time.txt
    steps="$(grep -o 'Time Step: *[0-9]*' run.log | tail -n 1 | grep -o '[0-9]*$')"
    python3 - "$nx" "$ny" "$dur" "$user" "$sys" "$wall" "$steps" <<'PY'
import sys
nx, ny, dur, user, sys_, wall, steps = map(float, sys.argv[1:])
steps = int(steps)
cpu = user + sys_
upd = nx * ny * steps
print(f"grid {int(nx)}x{int(ny)}  {steps} steps ({dur:g} s simulated)  cpu {cpu:.2f} s  wall {wall:.2f} s")
print(f"  cell-updates per cpu second {upd / cpu:.4g}   per wall second {upd / wall:.4g}")
print(f"  simulated s per cpu s {dur / cpu:.4g}   per wall s {dur / wall:.4g}")
print(f"  ns per cell per pass (cpu) {cpu * 1e9 / (upd * 6):.2f}")
PY
  )
done
