#!/usr/bin/python3
"""Bathymetry of the solitary-wave runup example (the Caltech 1:19.85 plane beach).

A flume three cells wide. x is the distance from the wavemaker (the west boundary), shoreward:
  - flat bed 0.30 m deep for x < 15 m (toe of the beach at x = 15 m);
  - a plane beach of slope 1:19.85 beyond the toe; still-water shoreline at x = 15 + 19.85*0.30
    = 20.955 m; the beach goes on up to x = 23 m (0.10 m above still water).
Cells of 0.05 m: 461 x 3 nodes, origin (0, 0). Writes runup_bathy.grd (elevation, m).
"""
import os
import numpy as np

DEPTH, SLOPE, TOE = 0.30, 1.0 / 19.85, 15.0
DX, DY, NX, NY = 0.05, 0.05, 461, 3


def write_grid(path, values, title):
    ny, nx = values.shape
    with open(path, "w") as f:
        f.write(f"# {title}\n:N_Arrays 1\n:NGrid_X {nx}\n:NGrid_Y {ny}\n")
        f.write(f":Delta_X {DX} # meters\n:Delta_Y {DY} # meters\n")
        f.write(":X_Origin 0.0 # meters\n:Y_Origin 0.0 # meters\n:EndHeader\n")
        for row in values:
            f.write(" ".join(f"{v:.5f}" for v in row) + "\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    x = np.arange(NX) * DX
    elev = np.where(x < TOE, -DEPTH, -DEPTH + (x - TOE) * SLOPE)
    write_grid(os.path.join(here, "runup_bathy.grd"), np.tile(elev, (NY, 1)),
               "solitary runup bathymetry: elevation, m")


if __name__ == "__main__":
    main()
