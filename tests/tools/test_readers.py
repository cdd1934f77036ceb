"""swellix_files readers on the program's layouts and on hand-made files, and swellix-plot on a
hand-made run folder.  The files of a real run are read in test_program_outputs.py."""
import importlib.machinery
import importlib.util
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
PLOT = os.path.join(TOOLS, "swellix-plot")
sys.path.insert(0, TOOLS)
import swellix_files as sf  # noqa: E402

HEAD = [":WrittenBy       " + "SWELLIX Version 5".ljust(256), ":CreationDate    Mon Jan  6 09:05:03 2025", "#"]

# A scalar grid as the program writes it: 16-character fields of 5 significant digits.
SCALAR_GRID = "\n".join(
    ["# SWELLIX Scalar Grid File"] + HEAD +
    [":N_Arrays              1", "#", ":DataDescription(1)    " + "Sig. Wave Height".ljust(32),
     ":DataUnits(1)          " + "m".ljust(32), "#", "#", ":NGrid_X               3", ":NGrid_Y               2",
     ":Delta_X               2.5 # meters", ":Delta_Y               5 # meters",
     ":X_Origin              -12.75 # meters", ":Y_Origin              0.1 # meters",
     ":Grid_Orientation       270  # degrees", "#", ":EndHeader", "      1.5000        -0.25000          12346.    ",
     "     0.12346E+06     0.15000E-02      0.0000    "]) + "\n"


def time_series(sets, middle, rows):
    """A time-series file: sets [(description, units)], the lines after the units, the data rows."""
    head = [f":NDataSets              {len(sets) + 1}", ":DataDescription(1)     Time", ":DataUnits(1)           seconds"]
    for m, (description, units) in enumerate(sets, 2):
        head += [f":DataDescription({m})     {description}", f":DataUnits({m})           {units}"]
    body = [x.ljust(256) for x in head] + ["#"] + [x if x == "#" else x.ljust(256) for x in middle]
    return "\n".join(["# SWELLIX Type 2 Time Series File"] + HEAD + body +
                     ["#", f":NTimeSteps             {len(rows)}", "#", ":EndHeader"] + rows) + "\n"


class Readers(unittest.TestCase):
    def setUp(self):
        d = tempfile.TemporaryDirectory()
        self.addCleanup(d.cleanup)
        self.dir = d.name

    def write(self, name, content):
        path = os.path.join(self.dir, name)
        with open(path, "wb" if isinstance(content, bytes) else "w") as f:
            f.write(content)
        return path

    def test_grids(self):
        g = sf.read_grid(self.write("hs.grd", SCALAR_GRID))
        self.assertEqual((g.ngrid_x, g.ngrid_y, g.n_arrays, g.delta_x, g.delta_y, g.x_origin, g.y_origin),
                         (3, 2, 1, 2.5, 5.0, -12.75, 0.1))
        self.assertEqual((g.orientation, g.descriptions, g.units), (-90.0, ["Sig. Wave Height"], ["m"]))
        np.testing.assert_array_equal(g.values, [[1.5, -0.25, 12346.0], [123460.0, 0.0015, 0.0]])
        # A free-form vector grid, values spread freely, the second array on its own line.
        g = sf.read_grid(self.write("b.grd", "# comment\n:ngrid_x 3\n:NGRID_Y 2\n:Delta_X 5.0 # meters\n:delta_y 4\n"
                                    ":X_Origin 10\n:Y_Origin 20\n:N_Arrays 2\n:DataDescription(1) U\n"
                                    ":DataDescription(2) V\n:Grid_Orientation 90\n  :EndHeader\n-1 -2, -3 -4 -5\n-6\n"
                                    "1 2 3 4\n5 6\n"))
        self.assertEqual(g.descriptions, ["U", "V"])
        np.testing.assert_array_equal(g.arrays[0], [[-1, -2, -3], [-4, -5, -6]])
        np.testing.assert_array_equal(g.arrays[1], [[1, 2, 3], [4, 5, 6]])
        X, Y = g.node_coordinates()   # turned 90 degrees: node (2, 1) at (x0, y0 + dx), (1, 2) at (x0 - dy, y0)
        np.testing.assert_allclose([X[0, 1], Y[0, 1], X[1, 0], Y[1, 0]], [10, 25, 6, 20], atol=1e-12)

    def test_broken_files_are_reported(self):
        head = ":NGrid_X 2\n:NGrid_Y 2\n:Delta_X 1\n:X_Origin 0\n:Y_Origin 0\n"
        with self.assertRaisesRegex(sf.FileFormatError, "delta_y"):
            sf.read_grid(self.write("bad.grd", head + ":EndHeader\n1 2 3 4\n"))
        with self.assertRaisesRegex(sf.FileFormatError, "3 values where 4"):
            sf.read_grid(self.write("short.grd", head + ":Delta_Y 1\n:EndHeader\n1 2 3\n"))
        text = time_series([("Surface Elevation", "meters")], [], ["      0.0000          1.0000    "])
        with self.assertRaisesRegex(sf.FileFormatError, "1 records where 2"):
            sf.read_time_series(self.write("eta.ts", text.replace("NTimeSteps             1", "NTimeSteps             2")))
        with self.assertRaises(sf.FileFormatError):
            sf.read_animation(self.write("x.anim", np.array([-3, 2], "<i4").tobytes() + b"\0" * 40))

    def test_probe_and_gauge_files(self):
        probes = [":Probe_ID(1)            entrance", ":Probe_ID(2)            ", "#"] + [
            f":{k}_probe({m})             {v} # meters" for k, m, v in
            [("x", 1, 234), ("y", 1, 222), ("z", 1, -2), ("x", 2, 60), ("y", 2, 150.5), ("z", 2, -1.5)]] + [
            "#", ":Wave_Hav               1.5 # ", ":Anal_T1               40 # ", ":Anal_T2               120 # "]
        ts = sf.read_time_series(self.write("u.ts", time_series([("U - Velocity", "m/s")] * 2, probes, [
            "      0.0000         0.50000        -0.25000    ", "     0.50000E-01      1.2500         0.12346E+06"])))
        np.testing.assert_allclose(ts.time, [0.0, 0.05])
        np.testing.assert_allclose(ts.values, [[0.5, -0.25], [1.25, 123460.0]])
        self.assertEqual(ts.ids, ["entrance", ""])
        self.assertEqual(ts.positions, {"x": [234.0, 60.0], "y": [222.0, 150.5], "z": [-2.0, -1.5]})
        self.assertEqual((ts.analysis, ts.is_gauge), ({"anal_t1": 40.0, "anal_t2": 120.0}, False))
        self.assertEqual([ts.label(0), ts.label(1)], ["entrance", "probe 2 at (60, 150.5)"])
        gauge = [f":{k}_probe(1)             {v} # meters" for k, v in [("x1", 19), ("y1", 0.05), ("x2", 23),
                                                                        ("y2", 0.05)]]
        g = sf.read_time_series(self.write("runup.ts", time_series(
            [("Runup Height", "meters")], gauge + ["#"], ["      0.0000         0.20000E-01"])))
        self.assertTrue(g.is_gauge)
        self.assertEqual({k: v[0] for k, v in g.positions.items()}, {"x1": 19.0, "y1": 0.05, "x2": 23.0, "y2": 0.05})
        self.assertEqual((g.analysis, g.values[0, 0]), ({}, 0.02))

    def test_animation_breaking_marks_and_cut_frame(self):
        b1 = np.arange(6, dtype=float).reshape(2, 3) / 10      # rows j, i fastest
        b2 = -b1
        b2[1, 2] = 0.3 + 1000.0                                # breaking node
        path = os.path.join(self.dir, "eta.anim")
        sf.write_animation(path, [[b1], [b2]], [21, 41], [1.0, 2.0], 0.5, 0.25, 30.0)
        self.assertEqual(os.path.getsize(path), 44 + 2 * (12 + 24))
        eta, breaking = sf.read_animation(path).surface()
        np.testing.assert_allclose(eta[0], b1, atol=1e-7)
        self.assertAlmostEqual(eta[1, 1, 2], 0.3, places=4)
        self.assertEqual((breaking.sum(), bool(breaking[1, 1, 2])), (1, True))
        u = np.ones((2, 2))
        path = os.path.join(self.dir, "uv.anim")
        sf.write_animation(path, [[u, 2 * u], [3 * u, 6 * u]], [1, 11], [0.0, 0.5], 1.0, 1.0)
        with open(path, "ab") as f:      # an interrupted run: half a frame
            f.write(b"\0" * 20)
        a = sf.read_animation(path)
        self.assertEqual(a.frames.shape, (2, 2, 2, 2))
        np.testing.assert_array_equal(a.frames[1, 1], 6 * u)
        np.testing.assert_array_equal(a.steps, [1, 11])

    def test_parameter_file_loading_rules(self):
        p = sf.Parameters(self.write("case.par", "# :bathy_file hidden.grd\nany text :Output_File_Prefix  Run1   # c\n"
                                     "\t:hs_file\tHS Out.GRD\nduration 100\n:duration 50\n:duration 60 s\n"
                                     ":save_eta_animation\n"))
        self.assertFalse(p.has("bathy_file"))
        self.assertEqual((p.get("output_file_prefix"), p.get("hs_file"), p.number("duration")), ("run1", "hs out.grd", 60.0))
        self.assertTrue(p.has("save_eta_animation"))

    def test_plot_spectrum_of_a_sinusoid_gives_its_height_and_period(self):
        loader = importlib.machinery.SourceFileLoader("swellix_plot", PLOT)
        plot = importlib.util.module_from_spec(importlib.util.spec_from_loader("swellix_plot", loader))
        loader.exec_module(plot)
        t = np.arange(0, 1024 * 8 * 0.1, 0.1)       # a whole number of periods per segment
        f, S = plot.variance_spectrum(0.5 * np.sin(2 * np.pi * t / 8.0), 0.1)
        self.assertAlmostEqual(4 * np.sqrt(S.sum() * (f[1] - f[0])), 4 * 0.5 / np.sqrt(2), delta=0.01)
        self.assertAlmostEqual(1 / f[np.argmax(S)], 8.0, delta=0.05)

    def test_plot_missing_and_unreadable_files(self):
        sf.write_grid(os.path.join(self.dir, "bathy.grd"), np.full((4, 5), -5.0), 2.0, 2.0)
        self.write("case.par", ":output_file_prefix case\n:bathy_file BATHY.grd\n:mean_wl_file mwl.grd\n")
        r = subprocess.run([PLOT, self.dir, "--format", "png"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(os.listdir(os.path.join(self.dir, "plots")), ["bathy_depth.png"])
        self.assertIn("not found (has the run finished?): mwl.grd", r.stdout)
        r = subprocess.run([PLOT, self.write("broken.grd", ":NGrid_X 2\n:NGrid_Y 2\n:EndHeader\n1 2 3 4\n")],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn("header key delta_x missing", r.stderr)


if __name__ == "__main__":
    unittest.main()
