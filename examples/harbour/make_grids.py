#!/usr/bin/python3
"""Grids of the harbour example: bathymetry, porosity and damping.

Geometry (x east, y north, metres; 120 x 100 cells of 3 m, origin at the south-west corner):

  - open sea 8 m deep for x < 120 m, rising on a 1:30 slope to 5 m at x = 210 m, then 5 m;
  - the coast (quay wall, land at +2 m) for x >= 333 m;
  - a solid south mole (land) at 45 m <= y < 60 m from x = 207 m to the coast;
  - a rubble-mound breakwater 18 m wide (6 cells) at 207 m <= x < 225 m from the south mole
    up to y = 195 m: porosity 0.45 in the core, 0.6 and 0.8 towards the faces (the armour and
    the rough outer slopes), which also eases the flow into the mound;
  - a solid north mole (land) at 240 m <= y < 255 m from x = 255 m to the coast;
  - the harbour entrance is the gap between the breakwater head and the north mole;
  - sponge layers 30 m wide on the west, south and north boundaries (open sea), 0.8 1/s at
    the edge;
  - the wavemaker is column i = 11 (x = 30 m), at the inner edge of the west sponge, which
    absorbs the waves that the harbour sends back.

Writes harbour_bathy.grd (elevation: negative below still water), harbour_poro.grd and
harbour_damp.grd in this folder.
"""
import os
import numpy as np

NX, NY, DX, DY = 120, 100, 3.0, 3.0
LAND = 2.0          # elevation of land, m above still water
SPONGE_WIDTH = 30.0  # m
SPONGE_MAX = 0.8     # 1/s at the boundary


def write_grid(path, values, title):
    """Write a scalar grid file: header keys, then the values row by row (i fastest)."""
    ny, nx = values.shape
    with open(path, "w") as f:
        f.write(f"# {title}\n")
        f.write(":N_Arrays 1\n")
        f.write(f":NGrid_X {nx}\n:NGrid_Y {ny}\n")
        f.write(f":Delta_X {DX} # meters\n:Delta_Y {DY} # meters\n")
        f.write(":X_Origin 0.0 # meters\n:Y_Origin 0.0 # meters\n")
        f.write(":Grid_Orientation 0.0 # degrees\n:EndHeader\n")
        for row in values:
            f.write(" ".join("0" if v == 0 else f"{v:.3f}" for v in row) + "\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    x = np.arange(NX) * DX              # cell centres of column i = 1..NX
    y = np.arange(NY) * DY
    X, Y = np.meshgrid(x, y)            # arrays indexed [j, i]

    depth = np.where(X < 120.0, 8.0, np.where(X < 210.0, 8.0 - (X - 120.0) / 30.0, 5.0))
    elev = -depth
    land = (X >= 333.0)
    land |= (Y >= 45.0) & (Y < 60.0) & (X >= 207.0)
    land |= (Y >= 240.0) & (Y < 255.0) & (X >= 255.0)
    elev[land] = LAND

    poro = np.ones_like(elev)
    # Breakwater cross-section, one value per 3 m column from the seaward face.
    for x_col, n in zip(range(207, 225, 3), (0.8, 0.6, 0.45, 0.45, 0.6, 0.8)):
        poro[np.isclose(X, x_col) & (Y >= 60.0) & (Y < 195.0)] = n

    # Sponges on the open west, south and north boundaries, decreasing inward (quadratic).
    dist = np.minimum(np.minimum(Y, (NY - 1) * DY - Y), X)
    damp = np.where(dist < SPONGE_WIDTH, SPONGE_MAX * ((SPONGE_WIDTH - dist) / SPONGE_WIDTH) ** 2, 0.0)
    damp[elev > 0.0] = 0.0

    write_grid(os.path.join(here, "harbour_bathy.grd"), elev, "harbour bathymetry: elevation, m")
    write_grid(os.path.join(here, "harbour_poro.grd"), poro, "harbour porosity (1 = open water)")
    write_grid(os.path.join(here, "harbour_damp.grd"), damp, "harbour damping layers, 1/s")


if __name__ == "__main__":
    main()
