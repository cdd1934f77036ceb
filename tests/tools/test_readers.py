"""Readers of swellix_files on the program's exact layouts and on hand-made input files.

The files of a real run are read in test_program_outputs.py; these are the cases a small run
does not produce: exponent-form fields, a turned grid, gauge files, breaking marks, broken files.
"""
import os
import sys
import tempfile
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))

import swellix_files as sf  # noqa: E402


def pad(line):
    return line.ljust(256)


OPENING = ["", ":WrittenBy       " + pad("SWELLIX Version 5"),
           ":CreationDate    Mon Jan  6 09:05:03 2025", "#"]

# A scalar grid line for line as the program writes it: 16-character general fields of
# 5 significant digits in the fixed and the exponent form.
SCALAR_GRID = "\n".join(
    ["# SWELLIX Scalar Grid File"] + OPENING[1:] +
    [":N_Arrays              1", "#", ":DataDescription(1)    " + "Sig. Wave Height".ljust(32),
     ":DataUnits(1)          " + "m".ljust(32), "#", "#", ":NGrid_X               3",
     ":NGrid_Y               2", ":Delta_X               2.5 # meters",
     ":Delta_Y               5 # meters", ":X_Origin              -12.75 # meters",
     ":Y_Origin              0.1 # meters", ":Grid_Orientation       270  # degrees", "#",
     ":EndHeader", "      1.5000        -0.25000          12346.    ",
     "     0.12346E+06     0.15000E-02      0.0000    "]) + "\n"


def time_series(sets, middle, rows):
    """A time-series file in the program's layout: sets [(description, units)], the lines
    between the data units and the analysis parameters, the data rows."""
    lines = ["# SWELLIX Type 2 Time Series File"] + OPENING[1:] + [
        pad(f":NDataSets              {len(sets) + 1}"), pad(":DataDescription(1)     Time"),
        pad(":DataUnits(1)           seconds")]
    for m, (description, units) in enumerate(sets, 2):
        lines += [pad(f":DataDescription({m})     {description}"), pad(f":DataUnits({m})           {units}")]
    lines += ["#"] + [line if line == "#" else pad(line) for line in middle]
    lines += ["#", f":NTimeSteps             {len(rows)}", "#", ":EndHeader"] + rows
    return "\n".join(lines) + "\n"


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

    def test_grid_as_written_by_the_program(self):
        g = sf.read_grid(self.write("hs.grd", SCALAR_GRID))
        self.assertEqual((g.ngrid_x, g.ngrid_y, g.n_arrays), (3, 2, 1))
        self.assertEqual((g.delta_x, g.delta_y, g.x_origin, g.y_origin), (2.5, 5.0, -12.75, 0.1))
        self.assertEqual(g.orientation, -90.0)   # 270 is read as -90
        self.assertEqual((g.descriptions, g.units), (["Sig. Wave Height"], ["m"]))
        np.testing.assert_array_equal(g.values, [[1.5, -0.25, 12346.0], [123460.0, 0.0015, 0.0]])

    def test_free_form_vector_grid_and_turned_node_positions(self):
        # Values spread freely; the second array starts on its own line.
        g = sf.read_grid(self.write("b.grd",
                                    "# comment\n:ngrid_x 3\n:NGRID_Y 2\n:Delta_X 5.0 # meters\n"
                                    ":delta_y 4\n:X_Origin 10\n:Y_Origin 20\n:N_Arrays 2\n"
                                    ":DataDescription(1) U\n:DataDescription(2) V\n"
                                    ":Grid_Orientation 90\n  :EndHeader\n-1 -2, -3 -4 -5\n-6\n"
                                    "1 2 3 4\n5 6\n"))
        self.assertEqual(g.descriptions, ["U", "V"])
        np.testing.assert_array_equal(g.arrays[0], [[-1, -2, -3], [-4, -5, -6]])
        np.testing.assert_array_equal(g.arrays[1], [[1, 2, 3], [4, 5, 6]])
        X, Y = g.node_coordinates()
        # Node (2, 1) of a grid turned 90 degrees lies at (x0, y0 + dx); node (1, 2) at (x0 - dy, y0).
        np.testing.assert_allclose([X[0, 1], Y[0, 1], X[1, 0], Y[1, 0]], [10, 25, 6, 20], atol=1e-12)

    def test_broken_files_are_reported(self):
        head = ":NGrid_X 2\n:NGrid_Y 2\n:Delta_X 1\n:X_Origin 0\n:Y_Origin 0\n"
        with self.assertRaisesRegex(sf.FileFormatError, "delta_y"):
            sf.read_grid(self.write("bad.grd", head + ":EndHeader\n1 2 3 4\n"))
        with self.assertRaisesRegex(sf.FileFormatError, "3 values where 4"):
            sf.read_grid(self.write("short.grd", head + ":Delta_Y 1\n:EndHeader\n1 2 3\n"))
        text = time_series([("Surface Elevation", "meters")], [], ["      0.0000          1.0000    "])
        with self.assertRaisesRegex(sf.FileFormatError, "1 records where 2"):
            sf.read_time_series(self.write("eta.ts", text.replace("NTimeSteps             1",
                                                                  "NTimeSteps             2")))
        with self.assertRaises(sf.FileFormatError):
            sf.read_animation(self.write("x.anim", np.array([-3, 2], "<i4").tobytes() + b"\0" * 40))

    def test_probe_and_gauge_files(self):
        probe_lines = [":Probe_ID(1)            entrance", ":Probe_ID(2)            ", "#",
                       ":x_probe(1)             234 # meters", ":y_probe(1)             222 # meters",
                       ":z_probe(1)             -2 # meters", ":x_probe(2)             60 # meters",
                       ":y_probe(2)             150.5 # meters", ":z_probe(2)             -1.5 # meters",
                       "#", ":Wave_Hav               1.5 # ", ":Anal_T1               40 # ",
                       ":Anal_T2               120 # "]
        rows = ["      0.0000         0.50000        -0.25000    ",
                "     0.50000E-01      1.2500         0.12346E+06"]
        ts = sf.read_time_series(self.write("u.ts", time_series([("U - Velocity", "m/s")] * 2,
                                                                probe_lines, rows)))
        np.testing.assert_allclose(ts.time, [0.0, 0.05])
        np.testing.assert_allclose(ts.values, [[0.5, -0.25], [1.25, 123460.0]])
        self.assertEqual(ts.ids, ["entrance", ""])
        self.assertEqual(ts.positions, {"x": [234.0, 60.0], "y": [222.0, 150.5], "z": [-2.0, -1.5]})
        self.assertEqual(ts.analysis, {"anal_t1": 40.0, "anal_t2": 120.0})
        self.assertFalse(ts.is_gauge)
        self.assertEqual([ts.label(0), ts.label(1)], ["entrance", "probe 2 at (60, 150.5)"])

        gauge_lines = [":x1_probe(1)             19 # meters", ":y1_probe(1)             0.05 # meters",
                       ":x2_probe(1)             23 # meters", ":y2_probe(1)             0.05 # meters", "#"]
        g = sf.read_time_series(self.write("runup.ts", time_series(
            [("Runup Height", "meters")], gauge_lines, ["      0.0000         0.20000E-01"])))
        self.assertTrue(g.is_gauge)
        self.assertEqual({k: v[0] for k, v in g.positions.items()},
                         {"x1": 19.0, "y1": 0.05, "x2": 23.0, "y2": 0.05})
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

        u, v = np.ones((2, 2)), 2 * np.ones((2, 2))
        path = os.path.join(self.dir, "uv.anim")
        sf.write_animation(path, [[u, v], [3 * u, 3 * v]], [1, 11], [0.0, 0.5], 1.0, 1.0)
        with open(path, "ab") as f:      # an interrupted run: half a frame
            f.write(b"\0" * 20)
        a = sf.read_animation(path)
        self.assertEqual(a.frames.shape, (2, 2, 2, 2))
        np.testing.assert_array_equal(a.frames[1, 1], 3 * v)
        np.testing.assert_array_equal(a.steps, [1, 11])

    def test_parameter_file_loading_rules(self):
        p = sf.Parameters(self.write("case.par",
                                     "# :bathy_file hidden.grd\n"
                                     "any text :Output_File_Prefix  Run1   # comment\n"
                                     "\t:hs_file\tHS Out.GRD\n"
                                     "duration 100\n"
                                     ":duration 50\n:duration 60 s\n"
                                     ":save_eta_animation\n"))
        self.assertFalse(p.has("bathy_file"))
        self.assertEqual((p.get("output_file_prefix"), p.get("hs_file")), ("run1", "hs out.grd"))
        self.assertEqual(p.number("duration"), 60.0)
        self.assertTrue(p.has("save_eta_animation"))


if __name__ == "__main__":
    unittest.main()
