"""Readers of swellix_files against files written in the program's exact layouts."""
import os
import sys
import tempfile
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
sys.path.insert(0, HERE)

import swellix_files as sf  # noqa: E402
import program_formats as pf  # noqa: E402


class GridFiles(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_scalar_grid_as_written_by_the_program(self):
        # 4 x 3 nodes whose values need all three field forms (fixed, 0, exponent).
        vals = np.array([[1.5, -0.25, 12345.6, 0.0],
                         [123456.0, 0.0015, -8.0, 2.0],
                         [0.1, 99.99, -1e-6, 7.25]])
        pf.write_scalar_grid(self.path("hs.grd"), vals, 2.5, 2.5, -100.0, 50.0, 270.0,
                             "Sig. Wave Height", "m")
        g = sf.read_grid(self.path("hs.grd"))
        self.assertEqual((g.ngrid_x, g.ngrid_y, g.n_arrays), (4, 3, 1))
        self.assertEqual((g.delta_x, g.delta_y, g.x_origin, g.y_origin), (2.5, 2.5, -100.0, 50.0))
        self.assertEqual(g.orientation, -90.0)   # 270 is read as -90
        self.assertEqual(g.descriptions, ["Sig. Wave Height"])
        self.assertEqual(g.units, ["m"])
        # Values come back rounded to 5 significant digits, rows along y.
        expect = np.array([[1.5, -0.25, 12346.0, 0.0], [123460.0, 0.0015, -8.0, 2.0],
                           [0.1, 99.99, -1e-6, 7.25]])
        np.testing.assert_allclose(g.values, expect, rtol=1e-12)

    def test_vector_grid_second_array_starts_on_its_own_line(self):
        u = np.array([[0.1, 0.2, 0.3], [0.4, 0.5, 0.6]])
        v = -u * 10
        pf.write_scalar_grid(self.path("uv.grd"), u, 1.0, 1.0, 0.0, 0.0, 0.0,
                             "Mean U - Velocity", "m/s", second=v,
                             description2="Mean V - Velocity", units2="m/s")
        g = sf.read_grid(self.path("uv.grd"))
        self.assertEqual(g.n_arrays, 2)
        self.assertEqual(g.descriptions, ["Mean U - Velocity", "Mean V - Velocity"])
        np.testing.assert_allclose(g.arrays[0], u)
        np.testing.assert_allclose(g.arrays[1], v)

    def test_input_grid_values_spread_freely_and_rotated_node_positions(self):
        with open(self.path("b.grd"), "w") as f:
            f.write("# comment\n:ngrid_x 3\n:NGRID_Y 2\n:Delta_X 5.0 # meters\n:delta_y 4\n"
                    ":X_Origin 10\n:Y_Origin 20\n:N_Arrays 1\n:Grid_Orientation 90\n"
                    "  :EndHeader\n-1 -2, -3 -4 -5\n-6\n")
        g = sf.read_grid(self.path("b.grd"))
        np.testing.assert_array_equal(g.values, [[-1, -2, -3], [-4, -5, -6]])
        X, Y = g.node_coordinates()
        # Node (2, 1) of a grid turned 90 degrees lies at (x0, y0 + dx); node (1, 2) at (x0 - dy, y0).
        self.assertAlmostEqual(X[0, 1], 10.0)
        self.assertAlmostEqual(Y[0, 1], 25.0)
        self.assertAlmostEqual(X[1, 0], 6.0)
        self.assertAlmostEqual(Y[1, 0], 20.0)

    def test_missing_header_key_and_short_data_are_reported(self):
        with open(self.path("bad.grd"), "w") as f:
            f.write(":NGrid_X 2\n:NGrid_Y 2\n:Delta_X 1\n:X_Origin 0\n:Y_Origin 0\n:EndHeader\n1 2 3 4\n")
        with self.assertRaisesRegex(sf.FileFormatError, "delta_y"):
            sf.read_grid(self.path("bad.grd"))
        with open(self.path("short.grd"), "w") as f:
            f.write(":NGrid_X 2\n:NGrid_Y 2\n:Delta_X 1\n:Delta_Y 1\n:X_Origin 0\n:Y_Origin 0\n"
                    ":EndHeader\n1 2 3\n")
        with self.assertRaisesRegex(sf.FileFormatError, "3 values where 4"):
            sf.read_grid(self.path("short.grd"))


class TimeSeriesFiles(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.p = lambda n: os.path.join(self.dir.name, n)

    def tearDown(self):
        self.dir.cleanup()

    def test_probe_file(self):
        data = np.array([[0.5, -0.25], [1.25, 0.0], [-2.0, 3.5], [0.001, 12.0]])
        pf.write_time_series(self.p("u.ts"), data, 0.05, ["U - Velocity", "U - Velocity"],
                             ["m/s", "m/s"], ids=["entrance", ""],
                             xyz=[(234.0, 222.0, -2.0), (60.0, 150.5, -1.5)])
        ts = sf.read_time_series(self.p("u.ts"))
        np.testing.assert_allclose(ts.time, [0.0, 0.05, 0.1, 0.15])
        np.testing.assert_allclose(ts.values, data)
        self.assertEqual(ts.descriptions, ["U - Velocity"] * 2)
        self.assertEqual(ts.units, ["m/s"] * 2)
        self.assertEqual(ts.ids, ["entrance", ""])
        self.assertEqual(ts.positions["x"], [234.0, 60.0])
        self.assertEqual(ts.positions["y"], [222.0, 150.5])
        self.assertEqual(ts.positions["z"], [-2.0, -1.5])
        self.assertEqual(ts.analysis, {"anal_t1": 40.0, "anal_t2": 120.0})
        self.assertFalse(ts.is_gauge)
        self.assertEqual(ts.label(0), "entrance")
        self.assertEqual(ts.label(1), "probe 2 at (60, 150.5)")

    def test_surface_elevation_file_has_no_z_and_gauge_file(self):
        data = np.zeros((3, 1))
        pf.write_time_series(self.p("eta.ts"), data, 1.0, ["Surface Elevation"], ["meters"],
                             ids=["a"], xyz=[(1.0, 2.0, 0.0)], analysis=())
        ts = sf.read_time_series(self.p("eta.ts"))
        self.assertNotIn("z", ts.positions)
        self.assertEqual(ts.analysis, {})
        run = np.array([[0.0], [0.02], [0.05]])
        pf.write_time_series(self.p("runup.ts"), run, 0.1, ["Runup Height"], ["meters"],
                             gauges=[(19.0, 0.05, 23.0, 0.05)])
        g = sf.read_time_series(self.p("runup.ts"))
        self.assertTrue(g.is_gauge)
        self.assertEqual([g.positions[k][0] for k in ("x1", "y1", "x2", "y2")],
                         [19.0, 0.05, 23.0, 0.05])
        np.testing.assert_allclose(g.values[:, 0], [0.0, 0.02, 0.05])

    def test_fewer_records_than_announced_is_an_error(self):
        pf.write_time_series(self.p("eta.ts"), np.zeros((5, 1)), 1.0, ["Surface Elevation"],
                             ["meters"], ids=["a"], xyz=[(0, 0, 0)])
        with open(self.p("eta.ts")) as f:
            text = f.read().replace(":NTimeSteps             5", ":NTimeSteps             6")
        with open(self.p("eta.ts"), "w") as f:
            f.write(text)
        with self.assertRaisesRegex(sf.FileFormatError, "5 records where 6"):
            sf.read_time_series(self.p("eta.ts"))


class AnimationFiles(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.p = lambda n: os.path.join(self.dir.name, n)

    def tearDown(self):
        self.dir.cleanup()

    def write_raw(self, path, ncols, nrows, ncomp, frames):
        """Bytes laid out by hand: 44-byte header, then counter, step, time and the block."""
        with open(path, "wb") as f:
            f.write(np.array([ncols, nrows], "<i4").tobytes())
            f.write(np.array([0.5, 0.25, 30.0], "<f4").tobytes())
            f.write(np.array([ncomp], "<i4").tobytes())
            f.write(np.array([100.0, 200.0, 1.0, 9.0, 0.5], "<f4").tobytes())
            for counter, step, t, blocks in frames:
                for b in blocks:
                    f.write(np.array([counter, step], "<i4").tobytes())
                    f.write(np.array([t], "<f4").tobytes())
                    f.write(np.asarray(b, "<f4").tobytes())

    def test_surface_elevation_file_with_breaking_marks(self):
        b1 = np.arange(6, dtype=float).reshape(2, 3) / 10      # rows j, i fastest
        b2 = -b1
        b2[1, 2] = 0.3 + 1000.0                                # breaking node
        self.write_raw(self.p("eta.anim"), 3, 2, 1, [(1, 21, 1.0, [b1]), (2, 41, 2.0, [b2])])
        self.assertEqual(os.path.getsize(self.p("eta.anim")), 44 + 2 * (12 + 24))
        a = sf.read_animation(self.p("eta.anim"))
        self.assertEqual((a.ncols, a.nrows, a.ncomponents), (3, 2, 1))
        self.assertEqual((a.delta_x, a.delta_y, a.orientation), (0.5, 0.25, 30.0))
        self.assertEqual((a.x_s, a.y_s, a.start_time, a.end_time, a.save_time_step),
                         (100.0, 200.0, 1.0, 9.0, 0.5))
        np.testing.assert_array_equal(a.counters, [1, 2])
        np.testing.assert_array_equal(a.steps, [21, 41])
        np.testing.assert_array_equal(a.times, [1.0, 2.0])
        eta, breaking = a.surface()
        np.testing.assert_allclose(eta[0], b1, atol=1e-7)
        self.assertAlmostEqual(eta[1, 1, 2], 0.3, places=4)
        self.assertEqual(breaking.sum(), 1)
        self.assertTrue(breaking[1, 1, 2])

    def test_velocity_file_two_records_per_step_and_cut_frame(self):
        u = np.ones((2, 2))
        v = 2 * np.ones((2, 2))
        self.write_raw(self.p("uv.anim"), 2, 2, 2,
                       [(1, 1, 0.0, [u, v]), (2, 11, 0.5, [3 * u, 3 * v])])
        with open(self.p("uv.anim"), "ab") as f:      # an interrupted run: half a frame
            f.write(b"\0" * 20)
        a = sf.read_animation(self.p("uv.anim"))
        self.assertEqual(a.frames.shape, (2, 2, 2, 2))
        np.testing.assert_array_equal(a.frames[1, 0], 3 * u)
        np.testing.assert_array_equal(a.frames[1, 1], 3 * v)
        np.testing.assert_array_equal(a.steps, [1, 11])

    def test_not_an_animation(self):
        with open(self.p("x.anim"), "wb") as f:
            f.write(np.array([-3, 2], "<i4").tobytes() + b"\0" * 40)
        with self.assertRaises(sf.FileFormatError):
            sf.read_animation(self.p("x.anim"))


class ParameterFile(unittest.TestCase):
    def test_loading_rules(self):
        with tempfile.NamedTemporaryFile("w", suffix=".par", delete=False) as f:
            f.write("# :bathy_file hidden.grd\n"
                    "any text :Output_File_Prefix  Run1   # comment\n"
                    "\t:hs_file\tHS Out.GRD\n"
                    "duration 100\n"
                    ":duration 50\n:duration 60 s\n"
                    ":save_eta_animation\n")
        try:
            p = sf.Parameters(f.name)
        finally:
            os.unlink(f.name)
        self.assertFalse(p.has("bathy_file"))
        self.assertEqual(p.get("output_file_prefix"), "run1")
        self.assertEqual(p.get("hs_file"), "hs out.grd")
        self.assertEqual(p.number("duration"), 60.0)
        self.assertTrue(p.has("save_eta_animation"))


class SolutionFile(unittest.TestCase):
    def test_groups_with_values_and_times(self):
        import h5py
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "run.h5")
            nx, ny = 3, 2
            with h5py.File(path, "w") as h5:
                g = h5.create_group("harbour/Sig. Wave Height")
                g.attrs["Units"] = np.bytes_("m")
                g.create_dataset("Values", data=np.arange(6, dtype="<f4").reshape(1, 6))
                g.create_dataset("Times", data=np.zeros(1))
                w = h5.create_group("harbour/Velocity Animation")
                w.create_dataset("Values", data=np.ones((4, 6, 2), "<f4"))
                w.create_dataset("Times", data=np.arange(4) * 0.5)
            sets = sf.read_solution(path, nx * ny)
            self.assertEqual(set(sets), {"Sig. Wave Height", "Velocity Animation"})
            hs = sets["Sig. Wave Height"]
            self.assertEqual(hs.units, "m")
            np.testing.assert_array_equal(hs.values[0].reshape(ny, nx), [[0, 1, 2], [3, 4, 5]])
            vel = sets["Velocity Animation"]
            self.assertEqual(vel.values.shape, (4, 6, 2))
            np.testing.assert_array_equal(vel.times, [0.0, 0.5, 1.0, 1.5])


if __name__ == "__main__":
    unittest.main()
