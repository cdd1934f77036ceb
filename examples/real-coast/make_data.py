#!/usr/bin/python3
"""The synthetic 'real' data of the real-coast example, as a study would receive it.

A small bay on a made-up coast in UTM zone 32N (EPSG:32632): a sandy beach rising to the east
with a rocky headland in the north-east, offshore depths of about 12 m.
- dem.tif: a coastal elevation model, 10 m pixels, elevation in metres (negative under water),
  EPSG:32632; it covers the whole area (a stand-in for a public DEM or GEBCO tile);
- survey.xyz: 1500 single-beam soundings in the nearshore, lon/lat (EPSG:4326) and depth in
  metres, positive down (a stand-in for a hydrographic survey; it takes priority over the DEM);
- breakwater.geojson: a detached rubble-mound breakwater, in EPSG:32632;
- regional.sp2: SWAN 2-D spectral output at two points offshore (LONLAT, nautical directions,
  log-spaced frequencies): a JONSWAP sea of Hs 1.0 m and Tp 7 s from 255 degrees.
All values are made up; the data are free to use for anything. Run ./make_data.py again to
remake them (the same files byte for byte).
"""
import json
import os

import numpy as np
import pyproj
from osgeo import gdal, osr

E0, N0 = 430000.0, 6170000.0          # south-west corner of the data
HERE = os.path.dirname(os.path.abspath(__file__))


def elevation(e, n):
    s = np.clip((e - E0) / 560.0, 0.0, None)
    z = -12.0 + 13.0 * s ** 1.5                              # beach profile, dry beyond about 500 m
    head = 14.0 * np.exp(-(((e - E0 - 620.0) / 110.0) ** 2 + ((n - N0 - 470.0) / 90.0) ** 2))
    return z + head + 0.3 * np.sin((n - N0) / 40.0) * (s < 0.8)


def write_dem():
    gdal.UseExceptions()
    gdal.SetConfigOption("GDAL_PAM_ENABLED", "NO")
    nc, nr, px = 71, 56, 10.0
    path = os.path.join(HERE, "dem.tif")
    ds = gdal.GetDriverByName("GTiff").Create(path, nc, nr, 1, gdal.GDT_Float32)
    ds.SetGeoTransform((E0 - px / 2, px, 0.0, N0 + (nr - 0.5) * px, 0.0, -px))
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(32632)
    ds.SetProjection(srs.ExportToWkt())
    e = E0 + np.arange(nc) * px
    n = N0 + (nr - 1 - np.arange(nr)) * px
    band = ds.GetRasterBand(1)
    band.WriteArray(np.round(elevation(e[None, :], n[:, None]), 2).astype(np.float32))
    band.SetNoDataValue(-9999.0)
    ds = None


def write_survey():
    rng = np.random.default_rng(2024)
    e = E0 + rng.uniform(250.0, 560.0, 1500)
    n = N0 + rng.uniform(0.0, 380.0, 1500)
    depth = -elevation(e, n)
    keep = depth > 2.0                                       # the survey boat stays in 2 m of water
    lon, lat = pyproj.Transformer.from_crs(32632, 4326, always_xy=True).transform(e[keep], n[keep])
    with open(os.path.join(HERE, "survey.xyz"), "w") as f:
        f.write("# synthetic nearshore survey: longitude latitude depth (m, positive down), WGS 84\n")
        f.write("lon lat depth\n")
        for a, b, d in zip(lon, lat, depth[keep]):
            f.write(f"{a:.7f} {b:.7f} {d:.2f}\n")


def write_breakwater():
    x0, y0 = E0 + 390.0, N0 + 200.0
    ring = [[x0, y0], [x0 + 20, y0], [x0 + 20, y0 + 110], [x0, y0 + 110], [x0, y0]]
    doc = {"type": "FeatureCollection",
           "crs": {"type": "name", "properties": {"name": "EPSG:32632"}},
           "features": [{"type": "Feature", "properties": {"name": "detached breakwater", "porosity": 0.45},
                         "geometry": {"type": "Polygon", "coordinates": [ring]}}]}
    with open(os.path.join(HERE, "breakwater.geojson"), "w") as f:
        json.dump(doc, f, indent=1)
        f.write("\n")


def write_sp2():
    hs, tp, gamma, coming_from = 1.0, 7.0, 3.3, 255.0
    f = 0.05 * 1.1 ** np.arange(24)
    ndir = np.arange(5.0, 360.0, 10.0)
    fp = 1.0 / tp
    sigma = np.where(f <= fp, 0.07, 0.09)
    s = f ** -5 * np.exp(-1.25 * (fp / f) ** 4) * gamma ** np.exp(-((f - fp) ** 2) / (2 * sigma ** 2 * fp ** 2))
    s *= (hs / 4) ** 2 / np.trapz(s, f)
    spread = np.cos(np.radians(ndir - coming_from) / 2) ** 20
    spread /= spread.sum() * 10.0
    e = s[:, None] * spread[None, :]
    factor = e.max() / 9999.0
    lines = ["SWAN   1                                Swan standard spectral file, version",
             "$   Data produced by SWAN version 41.45 (synthetic example data)",
             "$   Project: real-coast ;  run number: 1",
             "TIME                                    time-dependent data",
             "     1                                  time coding option",
             "LONLAT                                  locations in spherical coordinates",
             "     2                                  number of locations",
             "    7.8790    55.6670", "    7.8790    55.6690",
             "AFREQ                                   absolute frequencies in Hz",
             f"    {len(f)}                                  number of frequencies"]
    lines += [f"    {v:.4f}" for v in f]
    lines += ["NDIR                                    spectral nautical directions in degr",
              f"    {len(ndir)}                                  number of directions"]
    lines += [f"    {v:.4f}" for v in ndir]
    lines += ["QUANT", "     1                                  number of quantities in table",
              "VaDens                                  variance densities in m2/Hz/degr",
              "m2/Hz/degr                              unit",
              "   -0.9900E+02                          exception value",
              "20240115.060000                         date and time"]
    for _ in range(2):
        lines += ["FACTOR", f"    {factor:.6E}"]
        lines += [" ".join(f"{int(round(v / factor)):5d}" for v in row) for row in e]
    with open(os.path.join(HERE, "regional.sp2"), "w") as fh:
        fh.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    write_dem()
    write_survey()
    write_breakwater()
    write_sp2()
