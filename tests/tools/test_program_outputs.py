"""The readers and swellix-plot against the files of a real run: a flume of 81 x 3 cells (origin
(5, -1)), regular waves, every kind of output.  Usage: test_program_outputs.py PATH_TO_SWELLIX."""
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

BIN = sys.argv.pop(1) if len(sys.argv) > 1 and not sys.argv[1].startswith("-") else os.environ.get("SWELLIX_BIN")
DT, DURATION, NX, NY, DX = 0.02, 12.0, 81, 3, 0.1
H, T, DEPTH = 0.02, 1.5, 0.5

CASE = ":" + f"""output_file_prefix flume; bathy_file flume_bathy.grd; tidal_offset 0.0; damping_file flume_damp.grd;
start_wavemaker; wm_pos_i1 1; wm_pos_i2 1; wm_pos_j1 1; wm_pos_j2 {NY}; wave_type regular; wave_height {H};
wave_period {T}; wave_direction 270; wave_cycles 4; end_wavemaker; time_step {DT}; duration {DURATION};
nonlinear_option weak; check_wave_breaking no; chezy_coeff 1000;
ts_eta_file flume_eta.ts; ts_u_file flume_u.ts; ts_v_file flume_v.ts;
save_timeseries; probe_id near; ts_x 7.02; ts_y -0.9; save_ts_eta yes; save_ts_uv yes; ts_z_uv -0.25;
save_ts_pressure no; end_save_timeseries;
save_timeseries; ts_x 9.0; ts_y -0.9; save_ts_eta yes; save_ts_uv no; save_ts_pressure no; end_save_timeseries;
hs_file flume_hs.grd; mean_wl_file flume_mwl.grd; mean_uv_file flume_muv.grd; mean_theta_file flume_theta.grd;
save_eta_animation; eta_anim_file flume_eta.anim; save_uv_animation; uv_anim_file flume_uv.anim;
start_time 2.0; end_time 4.0; save_time_step 0.1; save_full_grid no; grid_i1 11; grid_i2 60; grid_j1 2; grid_j2 3;
solution_file_option 2; kobl_solution_file flume.h5""".replace(";\n", "; ").replace("; ", "\n:") + "\n"


class ProgramOutputs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="swellix_outputs_")
        x = np.tile(np.arange(NX) * DX, (NY, 1))
        sf.write_grid(os.path.join(cls.dir, "flume_bathy.grd"), np.full((NY, NX), -DEPTH), DX, DX, 5.0, -1.0)
        sf.write_grid(os.path.join(cls.dir, "flume_damp.grd"), np.where(x > 6, (x - 6) ** 2 / 2, 0.0), DX, DX, 5.0, -1.0)
        with open(os.path.join(cls.dir, "flume.par"), "w") as f:
            f.write(CASE)
        cls.result = subprocess.run([BIN, "flume.par"], cwd=cls.dir, capture_output=True, text=True, timeout=600,
                                    stdin=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def p(self, name):
        return os.path.join(self.dir, name)

    def test_statistics_grids(self):
        self.assertEqual(self.result.returncode, 0)
        self.assertIn("flume_eta.ts", self.result.stdout)
        expect = {"flume_hs.grd": ["Sig. Wave Height"], "flume_mwl.grd": ["Mean Water Level"],
                  "flume_theta.grd": ["Mean Wave Direction"], "flume_muv.grd": ["Mean U - Velocity", "Mean V - Velocity"]}
        for name, desc in expect.items():
            g = sf.read_grid(self.p(name))
            self.assertEqual((g.ngrid_x, g.ngrid_y, g.delta_x, g.delta_y, g.x_origin, g.y_origin),
                             (NX, NY, DX, DX, 5.0, -1.0), name)
            self.assertEqual(g.descriptions, desc, name)
            self.assertTrue(np.isfinite(g.values).all(), name)
        # A regular wave near the wavemaker: Hs of the statistics is 4 * rms = sqrt(2) * H.
        np.testing.assert_allclose(sf.read_grid(self.p("flume_hs.grd")).values[1, 5:25], np.sqrt(2) * H, rtol=0.25)

    def test_probe_files(self):
        n = int(DURATION / DT + 1.0)
        eta = sf.read_time_series(self.p("flume_eta.ts"))
        self.assertEqual(eta.values.shape, (n, 2))
        np.testing.assert_allclose(eta.time, np.arange(n) * DT, atol=1e-4)
        self.assertEqual((eta.ids[0], eta.descriptions), ("near", ["Surface Elevation"] * 2))
        # Probes snap to the nearest node: (7.02, -0.9) -> node (21, 2) at (7.0, -0.9).
        self.assertAlmostEqual(eta.positions["x"][0], 7.0, places=4)
        self.assertAlmostEqual(eta.positions["y"][0], -0.9, places=4)
        self.assertNotIn("z", eta.positions)
        u = sf.read_time_series(self.p("flume_u.ts"))
        self.assertEqual((u.values.shape, u.positions["z"], u.units), ((n, 1), [-0.25], ["m/s"]))
        self.assertGreater(np.abs(u.values[n // 2:]).max(), 0.0)

    def test_animations_and_solution_file(self):
        kstart, kend, kint = int(2.0 / DT + 1.5), int(4.0 / DT + 1.5), int(0.1 / DT)
        steps = [k for k in range(kstart, kend + 1) if k % kint == 0]
        for name, ncomp in (("flume_eta.anim", 1), ("flume_uv.anim", 2)):
            a = sf.read_animation(self.p(name))
            self.assertEqual((a.ncols, a.nrows, a.ncomponents), (50, 2, ncomp), name)
            self.assertAlmostEqual(a.x_s, 5.0 + 10 * DX, places=4)
            self.assertAlmostEqual(a.y_s, -1.0 + DX, places=4)
            np.testing.assert_array_equal(a.steps, steps)
            np.testing.assert_allclose(a.times, (np.array(steps) - 1) * DT, atol=1e-4)
            np.testing.assert_array_equal(a.counters, np.arange(1, len(steps) + 1))
        # The solution file holds the same fields as the text outputs, the animation on the full grid.
        sets = sf.read_solution(self.p("flume.h5"), NX * NY)
        for name in ("Sig. Wave Height", "Mean Water Level", "Mean Wave Direction", "Mean Velocity", "WSE Animation",
                     "Breaking Animation", "Velocity Animation", "Velocity Animation Mag"):
            self.assertIn(name, sets)
        np.testing.assert_allclose(sets["Sig. Wave Height"].values[0].reshape(NY, NX),
                                   sf.read_grid(self.p("flume_hs.grd")).values, rtol=1e-4, atol=1e-9)
        wse, a = sets["WSE Animation"], sf.read_animation(self.p("flume_eta.anim"))
        np.testing.assert_allclose(wse.times, a.times, atol=1e-4)
        full = wse.values.reshape(len(wse.times), NY, NX)
        np.testing.assert_allclose(full[:, 1:3, 10:60], a.surface()[0], atol=1e-6)

    def test_plot_tool_draws_the_run(self):
        out = os.path.join(self.dir, "pics")
        r = subprocess.run([os.path.join(TOOLS, "swellix-plot"), self.dir, "-o", out, "--format", "png",
                            "--max-frames", "10"], capture_output=True, text=True, timeout=600)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertNotIn("not found", r.stdout)
        made = sorted(n[len("flume_"):-len(".png")] for n in os.listdir(out))
        self.assertEqual(made, """bathy_depth eta_frames eta_series eta_snapshots eta_spectra hs mean_velocity
            mean_water_level mean_wave_direction muv mwl sig_wave_height theta u_series u_spectra uv_frames
            uv_snapshots v_series v_spectra wse_animation_frames wse_animation_snapshots""".split())


if __name__ == "__main__":
    if not BIN or not os.path.exists(BIN):
        sys.exit("test_program_outputs.py: give the path of the swellix program")
    unittest.main()
