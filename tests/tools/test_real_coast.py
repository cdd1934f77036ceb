"""From real-looking data to a run and back: a GeoTIFF and a survey of a known bed (UTM 31N, the
survey in lon/lat) -> swellix-grid -> swellix -> swellix-export -> xarray; and a SWAN .sp2 of a
known JONSWAP sea -> swellix-grid spectrum -> swellix -> Hm0 at the probes.
Usage: test_real_coast.py PATH_TO_SWELLIX."""
import math
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import numpy as np

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
sys.path.insert(0, TOOLS)
import swellix_files as sf  # noqa: E402
import swellix_swan as swan  # noqa: E402

BIN = sys.argv.pop(1) if len(sys.argv) > 1 and not sys.argv[1].startswith("-") else os.environ.get("SWELLIX_BIN")
E0, N0 = 500000.0, 5700000.0          # south-west corner of the data, UTM 31N


def bed(e, n):
    """Bed elevation (m, up): a plane rising to the east, land beyond about E0 + 520 m."""
    return -11.0 + 0.02 * (e - E0) + 0.005 * (n - N0)


def tool(name, *args, cwd):
    return subprocess.run([os.path.join(TOOLS, name), *map(str, args)], cwd=cwd, capture_output=True,
                          text=True, timeout=300)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def run_model(cwd, par):
    r = subprocess.run([BIN, par], cwd=cwd, capture_output=True, text=True, timeout=300, stdin=subprocess.DEVNULL)
    assert "Fatal Error" not in r.stdout, r.stdout[-1500:]
    return r


def write_data(d):
    """A 20 m GeoTIFF over 700 x 600 m and a survey of 400 points in lon/lat over its eastern part."""
    from osgeo import gdal, osr
    import pyproj
    gdal.UseExceptions()
    nc, nr, px = 36, 31, 20.0
    ds = gdal.GetDriverByName("GTiff").Create(os.path.join(d, "dem.tif"), nc, nr, 1, gdal.GDT_Float32)
    ds.SetGeoTransform((E0 - px / 2, px, 0.0, N0 + (nr - 0.5) * px, 0.0, -px))   # pixel centres on E0 + 20 k
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(32631)
    ds.SetProjection(srs.ExportToWkt())
    e = E0 + np.arange(nc) * px
    n = N0 + (nr - 1 - np.arange(nr)) * px
    ds.GetRasterBand(1).WriteArray(bed(e[None, :], n[:, None]).astype(np.float32))
    ds.GetRasterBand(1).SetNoDataValue(-9999.0)
    ds = None
    rng = np.random.default_rng(7)
    pe, pn = E0 + rng.uniform(300, 700, 400), N0 + rng.uniform(0, 600, 400)
    lon, lat = pyproj.Transformer.from_crs(32631, 4326, always_xy=True).transform(pe, pn)
    with open(os.path.join(d, "survey.xyz"), "w") as f:
        f.write("lon lat depth\n")
        for a, b, z in zip(lon, lat, -bed(pe, pn)):
            f.write(f"{a:.9f} {b:.9f} {z:.4f}\n")
    with open(os.path.join(d, "breakwater.wkt"), "w") as f:
        f.write(f"POLYGON (({E0 + 200} {N0 + 250}, {E0 + 230} {N0 + 250}, {E0 + 230} {N0 + 350}, "
                f"{E0 + 200} {N0 + 350}, {E0 + 200} {N0 + 250}))\n")


def jonswap(f, hs, tp, gamma=3.3):
    fp = 1.0 / tp
    sigma = np.where(f <= fp, 0.07, 0.09)
    s = f ** -5 * np.exp(-1.25 * (fp / f) ** 4) * gamma ** np.exp(-((f - fp) ** 2) / (2 * sigma ** 2 * fp ** 2))
    return s * (hs / 4) ** 2 / np.trapz(s, f)


def write_sp2(path, hs, tp, towards_deg, df_factor=1.07):
    """A SWAN 2-D spectral file (CDIR, log frequencies, two times, two locations), the spectrum at
    location 2 of time 2, with cos^8 spreading about the direction of travel towards_deg (Cartesian)."""
    f = 0.5 / tp * df_factor ** np.arange(40)
    f = f[f < 3.0 / tp]
    cdir = np.arange(0.0, 360.0, 10.0)
    spread = np.cos(np.radians(cdir - towards_deg) / 2) ** 16
    spread /= spread.sum() * 10.0
    e = jonswap(f, hs, tp)[:, None] * spread[None, :]
    factor = e.max() / 99999
    lines = ["SWAN   1                                Swan standard spectral file, version",
             "$   Data produced by a test", "TIME                                    time-dependent data",
             "     1                                  time coding option",
             "LOCATIONS                               locations in x-y-space",
             "     2                                  number of locations", "  100.0  200.0", "  300.0  400.0",
             "AFREQ                                   absolute frequencies in Hz",
             f"  {len(f)}                                  number of frequencies"]
    lines += [f"  {v:.6f}" for v in f]
    lines += ["CDIR                                    spectral Cartesian directions in degr",
              f"  {len(cdir)}                                  number of directions"]
    lines += [f"  {v:.4f}" for v in cdir]
    lines += ["QUANT", "     1                                  number of quantities in table",
              "VaDens                                  variance densities in m2/Hz/degr",
              "m2/Hz/degr                              unit", "   -0.9900E+02                          exception value"]
    for stamp in ("20240101.000000", "20240101.010000"):
        lines += [f"{stamp}                         date and time", "NODATA", "FACTOR", f"  {factor:.6E}"]
        lines += [" ".join(f"{int(round(v / factor)):6d}" for v in row) for row in e]
    with open(path, "w") as fh:
        fh.write("\n".join(lines) + "\n")


class RealCoast(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="swellix_coast_")
        write_data(cls.dir)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def test_survey_and_raster_to_netcdf(self):
        import xarray as xr
        d = os.path.join(self.dir, "coast")
        args = ["grid", "--crs", "EPSG:32631", "--origin", E0 + 120, N0 + 60, "--size", 480, 300,
                "--cell", 10, "--angle", 20, "--source", f"{self.dir}/survey.xyz,crs=EPSG:4326,z=depth",
                "--source", f"{self.dir}/dem.tif", "--sponge", "north:40", "--porosity",
                f"{self.dir}/breakwater.wkt,porosity=0.5", "--period", 8, "--hs", 0.5, "--record", 40,
                "--duration", 60, "--prefix", "coast", "--out", d]
        r = tool("swellix-grid", *args, cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("values are depth (positive down)", r.stdout)
        g = sf.read_grid(os.path.join(d, "coast_bathy.grd"))
        self.assertEqual((g.ngrid_x, g.ngrid_y, g.delta_x, g.orientation, g.crs), (49, 31, 10.0, 20.0, "EPSG:32631"))
        # Run again: the same input gives the same files byte for byte.
        before = {n: read(os.path.join(d, n)) for n in os.listdir(d)}
        tool("swellix-grid", *args, cwd=self.dir)
        self.assertEqual(before, {n: read(os.path.join(d, n)) for n in os.listdir(d)})
        pars = read(os.path.join(d, "coast.par")).decode()
        pars += ":save_eta_animation\n:eta_anim_file coast_eta.anim\n:start_time 50\n:end_time 60\n" \
                ":save_time_step 5\n:save_full_grid no\n:grid_i1 5\n:grid_i2 20\n:grid_j1 3\n:grid_j2 9\n"
        with open(os.path.join(d, "coast.par"), "w") as f:
            f.write(pars)
        run_model(d, "coast.par")
        r = tool("swellix-export", d, cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        ds = xr.open_dataset(os.path.join(d, "coast.nc"))
        self.assertEqual(ds.attrs["Conventions"], "CF-1.8")
        self.assertEqual(ds["hs"].dims, ("j", "i"))
        x, y = ds["x"].values, ds["y"].values
        # Every node: the bed sits where the analytic bed is (a half-cell shift would be 0.1 m or more).
        np.testing.assert_allclose(ds["bed_elevation"].values, bed(x, y), atol=0.01)
        # Land (the analytic bed above water) has no waves; open water away from the sponge has.
        hs, land = ds["hs"].values, bed(x, y) > 0.2
        self.assertTrue(land.any() and (hs[land] == 0).all())
        sea = (bed(x, y) < -4) & (ds["j"].values[:, None] < 25)
        self.assertGreater(hs[sea].min(), 0.02)
        # The breakwater polygon's nodes, and lon/lat from the grid mapping.
        poro = sf.read_grid(os.path.join(d, "coast_poro.grd")).values
        inside = (x > E0 + 200) & (x < E0 + 230) & (y > N0 + 250) & (y < N0 + 350)
        self.assertTrue(inside.any() and (poro[inside] == 0.5).all() and (poro[~inside] == 1.0).all())
        self.assertAlmostEqual(float(ds["lon"].values[0, 0]), 3.00170, places=4)
        self.assertEqual(ds["crs"].attrs["grid_mapping_name"], "transverse_mercator")
        # The animation window lands on its nodes of the full grid, NaN elsewhere.
        eta = ds["eta"].values
        self.assertEqual(eta.shape[1:], (31, 49))
        self.assertTrue(np.isfinite(eta[:, 2:9, 4:20]).all() and np.isnan(eta[:, 10:, :]).all())
        self.assertEqual(ds["probe_eta"].dims, ("probe_time", "eta_station"))
        ds.close()

    def test_bad_inputs_are_one_line_errors(self):
        d = self.dir
        box = ["grid", "--crs", "EPSG:32631", "--origin", E0 + 100, N0 + 100, "--size", 200, 200, "--cell", 20,
               "--period", 8]
        with open(os.path.join(d, "bad.xyz"), "w") as f:
            f.write("1 2 3\n4 five 6\n")
        for args, message in (
                (box + ["--source", "dem.tif", "--origin", E0 - 200, N0], "nodes that no source covers"),
                (box + ["--source", "missing.tif"], "missing.tif: no such file"),
                (box + ["--source", "bad.xyz"], "bad.xyz: line 2: three numbers"),
                (box + ["--source", "dem.tif,z=height"], "z must be elevation or depth"),
                (box + ["--source", "dem.tif", "--crs", "EPSG:4326"], "projected system"),
                (box + ["--source", "dem.tif", "--sponge", "up:40"], "SIDE:WIDTH"),
                (["spectrum", "dem.tif"], "not a SWAN spectral file")):
            r = tool("swellix-grid", *args, cwd=d)
            self.assertEqual(r.returncode, 1, args)
            self.assertIn(message, r.stderr)
            self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
        r = tool("swellix-grid", *box, "--source", "dem.tif", "--origin", E0 - 200, N0, "--hole-value", -5, cwd=d)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("set to -5 (--hole-value)", r.stdout)

    def test_swan_spectrum_drives_a_wavemaker(self):
        d = os.path.join(self.dir, "nest")
        os.makedirs(d)
        hs, tp = 0.05, 1.2                      # a laboratory-scale sea keeps the run short
        write_sp2(os.path.join(d, "regional.sp2"), hs, tp, towards_deg=10.0)
        r = tool("swellix-grid", "spectrum", "regional.sp2", "--location", 2, "--time", 2, "-o", "nest.dws", cwd=d)
        self.assertEqual(r.returncode, 0, r.stderr)
        f, dirs, e = swan.read_directional_spectrum(os.path.join(d, "nest.dws"))
        m0 = e.sum() * (f[1] - f[0]) * (dirs[1] - dirs[0])
        self.assertAlmostEqual(4 * math.sqrt(m0), hs, delta=0.01 * hs)
        self.assertAlmostEqual(dirs[np.unravel_index(np.argmax(e), e.shape)[1]] % 360, 260.0)  # travelling 10 deg
        # Flat 0.5 m bed, wavemaker on the west side, sponge on the east; five probes 1.5 m in.
        depth = 0.5
        nx, ny, dx = 61, 41, 0.15
        sf.write_grid(os.path.join(d, "nest_bathy.grd"), np.full((ny, nx), -depth), dx, dx)
        xx = np.arange(nx) * dx
        sf.write_grid(os.path.join(d, "nest_damp.grd"), np.tile(np.where(xx > 7.0, 2.0 * ((xx - 7.0) / 2) ** 2, 0), (ny, 1)),
                      dx, dx)
        probes = "".join(f":save_timeseries\n:ts_x 1.5\n:ts_y {y}\n:save_ts_eta yes\n:save_ts_uv no\n"
                         f":save_ts_pressure no\n:end_save_timeseries\n" for y in (2.0, 2.5, 3.0, 3.5, 4.0))
        with open(os.path.join(d, "nest.par"), "w") as fh:
            fh.write(f""":output_file_prefix nest\n:bathy_file nest_bathy.grd\n:tidal_offset 0\n:damping_file nest_damp.grd
:start_wavemaker\n:wm_pos_i1 1\n:wm_pos_i2 1\n:wm_pos_j1 1\n:wm_pos_j2 {ny}\n:wave_type irreg_multi
:time_series_option synthesize\n:wave_spec_option file\n:dir_spec_file nest.dws\n:wave_period_min 0.8
:wave_period_max 2.4\n:rescale_spectrum yes\n:random_number_seed 3\n:time_series_duration 100\n:end_wavemaker
:time_step 0.03\n:duration 110\n:nonlinear_option weak\n:check_wave_breaking no\n:chezy_coeff 1000
:ts_eta_file nest_eta.ts\n{probes}""")
        run_model(d, "nest.par")
        eta = sf.read_time_series(os.path.join(d, "nest_eta.ts"))
        window = eta.values[eta.time > 10.0]
        hm0 = 4 * math.sqrt(np.mean(np.var(window, axis=0)))
        self.assertAlmostEqual(hm0, hs, delta=0.1 * hs)


if __name__ == "__main__":
    if not BIN or not os.path.exists(BIN):
        sys.exit("test_real_coast.py: give the path of the swellix program")
    unittest.main()
