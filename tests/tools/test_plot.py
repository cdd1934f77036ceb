"""swellix-plot on a small run folder written in the program's layouts."""
import importlib.machinery
import importlib.util
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, "..", "..", "tools")
PLOT = os.path.join(TOOLS, "swellix-plot")
sys.path.insert(0, TOOLS)

import swellix_files as sf  # noqa: E402


def load_plot_module():
    loader = importlib.machinery.SourceFileLoader("swellix_plot", PLOT)
    spec = importlib.util.spec_from_loader("swellix_plot", loader)
    mod = importlib.util.module_from_spec(spec)
    loader.exec_module(mod)
    return mod


class Spectrum(unittest.TestCase):
    def test_sinusoid_gives_its_height_and_period(self):
        plot = load_plot_module()
        dt, a, T = 0.1, 0.5, 8.0
        t = np.arange(0, 1024 * 8 * dt, dt)       # a whole number of periods per segment
        f, S = plot.variance_spectrum(a * np.sin(2 * np.pi * t / T), dt)
        hm0 = 4 * np.sqrt(S.sum() * (f[1] - f[0]))
        self.assertAlmostEqual(hm0, 4 * a / np.sqrt(2), delta=0.01)
        self.assertAlmostEqual(1 / f[np.argmax(S)], T, delta=0.05)


class RunFolder(unittest.TestCase):
    def test_everything_a_run_wrote_is_drawn(self):
        with tempfile.TemporaryDirectory() as d:
            nx, ny, dx = 12, 10, 2.0
            X, Y = np.meshgrid(np.arange(nx) * dx, np.arange(ny) * dx)
            elev = np.where(X > 18, 1.0, -5.0)                  # land on the east side
            sf.write_grid(os.path.join(d, "bathy.grd"), elev, dx, dx)
            wet = elev < 0
            sf.write_grid(os.path.join(d, "hs.grd"), np.where(wet, 0.5, 0.0), dx, dx)
            sf.write_grid(os.path.join(d, "uv.grd"), [np.where(wet, 0.1, 0.0), 0 * X], dx, dx)
            with open(os.path.join(d, "eta.ts"), "w") as f:
                f.write(":NTimeSteps 200\n:NDataSets 2\n:DataDescription(2) Surface Elevation\n"
                        ":DataUnits(2) meters\n:Probe_ID(1) p1\n:x_probe(1) 4\n:y_probe(1) 4\n:EndHeader\n")
                f.writelines(f"{0.1 * k:.1f} {np.sin(0.1 * k):.5f}\n" for k in range(200))
            frames = np.sin(X[None, None] - np.arange(5)[:, None, None, None]) * 0.2
            frames[2, 0, 3, 3] += 1000.0
            sf.write_animation(os.path.join(d, "eta.anim"), frames, [1, 2, 3, 4, 5],
                               [0, 1, 2, 3, 4], dx, dx)
            import h5py
            with h5py.File(os.path.join(d, "case.h5"), "w") as h5:   # the solution file layout
                g = h5.create_group("case/Sig. Wave Height")
                g.create_dataset("Values", data=np.full((1, nx * ny), 0.5, "<f4"))
                g.create_dataset("Times", data=np.zeros(1))
                g = h5.create_group("case/WSE Animation")
                g.create_dataset("Values", data=frames[:, 0].reshape(5, nx * ny) % 1000.0)
                g.create_dataset("Times", data=np.arange(5.0))
            with open(os.path.join(d, "case.par"), "w") as f:
                f.write(":output_file_prefix case\n:bathy_file BATHY.grd\n:tidal_offset 0\n"
                        ":hs_file hs.grd\n:mean_uv_file uv.grd\n:mean_wl_file mwl.grd\n"
                        ":ts_eta_file eta.ts\n:save_eta_animation\n:eta_anim_file eta.anim\n"
                        ":solution_file_option 2\n:kobl_solution_file case.h5\n")
            r = subprocess.run([PLOT, d, "--format", "png"], capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stderr)
            made = sorted(os.listdir(os.path.join(d, "plots")))
            self.assertEqual(made, ["bathy_depth.png", "case_sig_wave_height.png",
                                    "case_wse_animation_frames.png",
                                    "case_wse_animation_snapshots.png", "eta_frames.png",
                                    "eta_series.png", "eta_snapshots.png", "eta_spectra.png",
                                    "hs.png", "uv.png"])
            self.assertIn("not found (has the run finished?): mwl.grd", r.stdout)

    def test_unreadable_file_gives_a_message_and_status_1(self):
        with tempfile.TemporaryDirectory() as d:
            p = os.path.join(d, "broken.grd")
            with open(p, "w") as f:
                f.write(":NGrid_X 2\n:NGrid_Y 2\n:EndHeader\n1 2 3 4\n")
            r = subprocess.run([PLOT, p], capture_output=True, text=True)
            self.assertEqual(r.returncode, 1)
            self.assertIn("header key delta_x missing", r.stderr)


if __name__ == "__main__":
    unittest.main()
