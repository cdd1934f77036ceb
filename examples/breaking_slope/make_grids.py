#!/usr/bin/python3
"""Bathymetry of the breaking-slope example (the DTU flume, plane 1:34.26 slope).

A flume three cells wide. x is measured shoreward from the toe of the slope:
  - the wavemaker is the west boundary at x = -4 m; flat bed 0.36 m deep for x < 0;
  - a plane slope 1:34.26 from the toe; still-water shoreline at x = 0.36*34.26 = 12.33 m;
  - the beach goes on to x = 14 m (0.05 m above still water), so the swash has room.
Cells of 0.05 m: 361 x 3 nodes, origin (-4, 0). Writes slope_bathy.grd (elevation, m).
"""
import os
import numpy as np

DEPTH, SLOPE = 0.36, 1.0 / 34.26
X0, DX, DY, NX, NY = -4.0, 0.05, 0.05, 361, 3


def write_grid(path, values, title):
    ny, nx = values.shape
    with open(path, "w") as f:
        f.write(f"# {title}\n:N_Arrays 1\n:NGrid_X {nx}\n:NGrid_Y {ny}\n")
        f.write(f":Delta_X {DX} # meters\n:Delta_Y {DY} # meters\n")
        f.write(f":X_Origin {X0} # meters\n:Y_Origin 0.0 # meters\n:EndHeader\n")
        for row in values:
            f.write(" ".join(f"{v:.5f}" for v in row) + "\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    x = X0 + np.arange(NX) * DX
    elev = np.where(x < 0.0, -DEPTH, -DEPTH + x * SLOPE)
    write_grid(os.path.join(here, "slope_bathy.grd"), np.tile(elev, (NY, 1)),
               "breaking slope bathymetry: elevation, m")


if __name__ == "__main__":
    main()
