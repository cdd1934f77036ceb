#!/usr/bin/python3
"""Grids of the elliptic-shoal example (the Delft laboratory shoal on a 1:50 slope).

Coordinates: origin of the data at the centre of the shoal, x in the wave direction, y across
the basin. The model grid covers x = -10 .. 14 m and y = -10 .. 10 m with cells of 0.1 m
(241 x 201 nodes); its origin (node 1,1) is (-10, -10).

Bed (depth h, m), with x' = x cos20 - y sin20 and y' = x sin20 + y cos20:
  h = 0.45 for x' < -5.82, else 0.45 - 0.02 (5.82 + x')     (1:50 slope turned 20 degrees)
  inside (x'/3)^2 + (y'/4)^2 < 1 the shoal lifts the bed by 0.5 sqrt(1 - (x'/3.75)^2 - (y'/5)^2) - 0.3
  the depth is kept at 0.12 m or more far up the slope, where only the sponge acts.
Damping: a sponge 2 m long at the down-wave end (x > 12 m), 0 elsewhere. The side walls
y = -10 and y = 10 m reflect, as in the basin. The wavemaker is the whole west boundary.

Writes shoal_bathy.grd (elevation, negative below still water) and shoal_damp.grd.
"""
import os
import numpy as np

X0, Y0, DX, DY, NX, NY = -10.0, -10.0, 0.1, 0.1, 241, 201
MIN_DEPTH = 0.12
SPONGE_START, SPONGE_MAX = 12.0, 2.0   # m, 1/s


def write_grid(path, values, title):
    ny, nx = values.shape
    with open(path, "w") as f:
        f.write(f"# {title}\n:N_Arrays 1\n:NGrid_X {nx}\n:NGrid_Y {ny}\n")
        f.write(f":Delta_X {DX} # meters\n:Delta_Y {DY} # meters\n")
        f.write(f":X_Origin {X0} # meters\n:Y_Origin {Y0} # meters\n:EndHeader\n")
        for row in values:
            f.write(" ".join("0" if v == 0 else f"{v:.4f}" for v in row) + "\n")


def shoal_depth(x, y):
    c, s = np.cos(np.radians(20.0)), np.sin(np.radians(20.0))
    xr = x * c - y * s
    yr = x * s + y * c
    h = np.where(xr < -5.82, 0.45, 0.45 - 0.02 * (5.82 + xr))
    inside = (xr / 3.0) ** 2 + (yr / 4.0) ** 2 < 1.0
    lift = 0.5 * np.sqrt(np.clip(1.0 - (xr / 3.75) ** 2 - (yr / 5.0) ** 2, 0.0, None)) - 0.3
    h = np.where(inside, h - lift, h)
    return np.maximum(h, MIN_DEPTH)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    x = X0 + np.arange(NX) * DX
    y = Y0 + np.arange(NY) * DY
    X, Y = np.meshgrid(x, y)
    elev = -shoal_depth(X, Y)
    length = (NX - 1) * DX + X0 - SPONGE_START
    damp = np.where(X > SPONGE_START, SPONGE_MAX * ((X - SPONGE_START) / length) ** 2, 0.0)
    write_grid(os.path.join(here, "shoal_bathy.grd"), elev, "elliptic shoal bathymetry: elevation, m")
    write_grid(os.path.join(here, "shoal_damp.grd"), damp, "elliptic shoal damping layer, 1/s")


if __name__ == "__main__":
    main()
