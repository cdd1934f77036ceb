#!/usr/bin/env python3
"""Benchmark cases: flat bed 10 m deep, dx = dy = 2 m, regular waves T = 8 s, H = 1 m from a
west wavemaker, damping layers 200 m wide at the west and east ends, dt = 0.09 s, 100 s
simulated, no field output and one probe.

    make_cases.py [OUT_DIR]     (default: the folder of this script)

Writes, for each grid size NX x NY in SIZES, the folder bench_NXxNY with bench.par,
bench_bathy.grd and bench_damp.grd.  Only the standard library is used.
"""
import math
import os
import sys

SIZES = [(250, 125), (1000, 500)]
DX = 2.0
DEPTH = 10.0
PERIOD = 8.0
HEIGHT = 1.0
SPONGE = 200.0       # m, at both ends along x
DT = 0.09
DURATION = 100.0


def write_grid(path, nx, ny, value_of_i, title):
    """Scalar grid file: header, then ny rows of nx values (i fastest)."""
    row = " ".join(value_of_i(i) for i in range(1, nx + 1))
    with open(path, "w") as f:
        f.write(f"# {title}\n:N_Arrays 1\n:NGrid_X {nx}\n:NGrid_Y {ny}\n")
        f.write(f":Delta_X {DX} # meters\n:Delta_Y {DX} # meters\n")
        f.write(":X_Origin 0.0 # meters\n:Y_Origin 0.0 # meters\n:Grid_Orientation 0.0 # degrees\n:EndHeader\n")
        for _ in range(ny):
            f.write(row + "\n")


def damping(i, nx):
    """Sponge strength 2*omega*s^2, s = depth into the layer / its width (0 outside)."""
    x, length = (i - 0.5) * DX, nx * DX
    s = max((SPONGE - x) / SPONGE, (x - (length - SPONGE)) / SPONGE, 0.0)
    return 2.0 * (2.0 * math.pi / PERIOD) * s * s


PAR = """# Benchmark: flat bed {depth} m, {nx} x {ny} cells of {dx} m, regular waves from the west.
:output_file_prefix   bench
:bathy_file           bench_bathy.grd
:tidal_offset         0.0
:damping_file         bench_damp.grd
:start_wavemaker
  :wm_pos_i1          1
  :wm_pos_i2          1
  :wm_pos_j1          1
  :wm_pos_j2          {ny}
  :wave_type          regular
  :wave_height        {height}
  :wave_period        {period}
  :wave_direction     270.0
  :wave_cycles        {cycles}
:end_wavemaker
:time_step            {dt}
:duration             {duration}
:nonlinear_option     weak
:check_wave_breaking  no
:chezy_coeff          1000.0
:ts_eta_file          bench_eta.ts
:save_timeseries
  :probe_id           centre
  :ts_x {px}
  :ts_y {py}
  :save_ts_eta        yes
  :save_ts_uv         no
  :save_ts_pressure   no
:end_save_timeseries
"""


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for nx, ny in SIZES:
        d = os.path.join(out, f"bench_{nx}x{ny}")
        os.makedirs(d, exist_ok=True)
        write_grid(os.path.join(d, "bench_bathy.grd"), nx, ny, lambda i: f"{-DEPTH:.1f}", "flat bed, elevation m")
        write_grid(os.path.join(d, "bench_damp.grd"), nx, ny,
                   lambda i: "0" if damping(i, nx) == 0.0 else f"{damping(i, nx):.5f}", "sponge layers, 1/s")
        with open(os.path.join(d, "bench.par"), "w") as f:
            f.write(PAR.format(depth=DEPTH, nx=nx, ny=ny, dx=DX, height=HEIGHT, period=PERIOD,
                               cycles=int(math.ceil(DURATION / PERIOD)), dt=DT, duration=DURATION,
                               px=nx * DX / 2, py=ny * DX / 2))


if __name__ == "__main__":
    main()
