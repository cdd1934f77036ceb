"""cmake --install into a fresh prefix: the program, the tools and the solution-file library
work from the installed tree alone, and write only into the run folder.
Usage: test_install.py CMAKE BUILD_DIR."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import numpy as np

CMAKE, BUILD = sys.argv.pop(1), sys.argv.pop(1)


class Install(unittest.TestCase):
    def test_installed_tree_runs_a_case(self):
        top = tempfile.mkdtemp(prefix="swellix_install_")
        try:
            prefix, run = os.path.join(top, "prefix"), os.path.join(top, "run")
            r = subprocess.run([CMAKE, "--install", BUILD, "--prefix", prefix], capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stderr)
            for name in ("bin/swellix", "bin/swellix-plot", "bin/swellix-grid", "bin/swellix-export",
                         "bin/swellix-demo", "lib/libkobl.so", "include/kobl/kobl.h",
                         "share/swellix/python/swellix_files.py", "share/swellix/examples/real-coast/README.md",
                         "share/doc/swellix/user-guide.md"):
                self.assertTrue(os.path.exists(os.path.join(prefix, name)), name)
            # The installed tools find their modules in share/ (no source tree on the path).
            sys.path.insert(0, os.path.join(prefix, "share", "swellix", "python"))
            import swellix_files as sf
            os.makedirs(run)
            sf.write_grid(os.path.join(run, "b.grd"), np.full((3, 30), -0.5), 0.1, 0.1, crs="EPSG:32631")
            with open(os.path.join(run, "t.par"), "w") as f:
                f.write(":output_file_prefix t\n:bathy_file b.grd\n:tidal_offset 0\n:start_wavemaker\n:wm_pos_i1 1\n"
                        ":wm_pos_i2 1\n:wm_pos_j1 1\n:wm_pos_j2 3\n:wave_type regular\n:wave_height 0.01\n"
                        ":wave_period 1.5\n:wave_direction 270\n:wave_cycles 2\n:end_wavemaker\n:time_step 0.02\n"
                        ":duration 3\n:nonlinear_option weak\n:check_wave_breaking no\n:chezy_coeff 1000\n"
                        ":hs_file t_hs.grd\n:solution_file_option 2\n:kobl_solution_file t.h5\n")
            env = dict(os.environ, PATH=os.path.join(prefix, "bin") + ":/usr/bin:/bin", PYTHONDONTWRITEBYTECODE="1")
            env.pop("LD_LIBRARY_PATH", None)
            for cmd in (["swellix", "t.par"], ["swellix-export", "."], ["swellix-grid", "--help"]):
                r = subprocess.run(cmd, cwd=run, env=env, capture_output=True, text=True, stdin=subprocess.DEVNULL,
                                   timeout=300)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertNotIn("Fatal Error", r.stdout)
            self.assertTrue({"t_hs.grd", "t.h5", "t.nc"} <= set(os.listdir(run)))
        finally:
            shutil.rmtree(top, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
