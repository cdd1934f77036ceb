#!/usr/bin/env bash
# Scaling of the time loop on the 1000 x 500 reference case (bench/cases/make_cases.py), all in
# one sitting so that the ratios can be compared on a shared machine:
#   1. solver_bench (time loop only) on 1 and 2 threads, wall time;
#   2. swellix (whole run) and swellix-mpi on 1, 2 and 4 ranks (oversubscribed where the
#      machine has fewer cores), wall time.
# Cell-updates per wall second = cells x steps / wall seconds.  Each configuration runs REPEAT
# times in turn (round robin) and the best is kept.
#
#   bench/run-scaling.sh          environment: BUILD_DIR (build-perf), JOBS (2), STEPS (60),
#                                 REPEAT (2), BASE_BENCH (a solver_bench of another build, run
#                                 first in every round as the baseline of the sitting)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${BUILD_DIR:-$root/build-perf}")"
jobs="${JOBS:-2}"
steps="${STEPS:-60}"
repeat="${REPEAT:-2}"
nx=1000
ny=500

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$jobs" --target solver_bench swellix >/dev/null
cmake --build "$build" -j "$jobs" --target swellix-mpi >/dev/null 2>&1 || true
swellix="$build/src/driver/swellix"
mpi="$build/src/driver/swellix-mpi"
cases="$build/bench-cases"
python3 "$root/bench/cases/make_cases.py" "$cases" >/dev/null
dir="$cases/bench_${nx}x${ny}"
dur="$(python3 -c "print(round($steps * 0.09, 4))")"
sed -i "s/^:duration .*/:duration             $dur/" "$dir/bench.par"
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
# Idle threads and ranks sleep instead of spinning (a shared machine; see docs/performance.md).
export OMP_WAIT_POLICY="${OMP_WAIT_POLICY:-passive}"

declare -A best
keep() {  # name wall
  if [[ -z "${best[$1]:-}" ]] || python3 -c "import sys; sys.exit(0 if $2 < ${best[$1]} else 1)"; then best[$1]=$2; fi
}
bench_wall() {  # binary threads -> wall seconds of the time loop
  "$1" "$nx" "$ny" "$steps" 0 "$2" | sed -n 's/.*wall \([0-9.]*\) s.*/\1/p'
}
run_wall() {  # command... -> wall seconds of the whole run
  ( cd "$dir" && /usr/bin/time -f "%e" -o time.txt "$@" bench.par >run.log 2>&1 && cat time.txt )
}
for ((k = 1; k <= repeat; ++k)); do
  if [[ -n "${BASE_BENCH:-}" ]]; then keep "solver_bench baseline, 1 thread" "$(bench_wall "$BASE_BENCH" 1)"; fi
  keep "solver_bench, 1 thread" "$(bench_wall "$build/bench/solver_bench" 1)"
  keep "solver_bench, 2 threads" "$(bench_wall "$build/bench/solver_bench" 2)"
  keep "swellix, serial" "$(run_wall "$swellix")"
  keep "swellix, SWELLIX_THREADS=2" "$(SWELLIX_THREADS=2 run_wall "$swellix")"
  if [[ -x "$mpi" ]]; then
    for n in 1 2 4; do
      keep "swellix-mpi, $n ranks" "$(run_wall mpirun --oversubscribe --bind-to none -n "$n" "$mpi")"
    done
  fi
done
echo "grid ${nx}x${ny}, $steps steps, best of $repeat, wall time"
for name in "solver_bench baseline, 1 thread" "solver_bench, 1 thread" "solver_bench, 2 threads" "swellix, serial" \
  "swellix, SWELLIX_THREADS=2" "swellix-mpi, 1 ranks" "swellix-mpi, 2 ranks" "swellix-mpi, 4 ranks"; do
  [[ -n "${best[$name]:-}" ]] || continue
  python3 -c "
w = ${best[$name]}; u = $nx * $ny * $steps / w
print(f'  {\"$name\":32s} wall {w:8.2f} s   {u / 1e6:6.2f} M cell-updates per wall second')"
done
