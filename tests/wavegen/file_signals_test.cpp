// Wavemakers driven by files: elevation and velocity series, their consistency between
// wavemakers, the spectral estimate, the directions from velocities and directional spectra.
#include "wavegen/file_signals.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "param_builder.hpp"
#include "wavegen/numerics.hpp"
#include "wavegen/wavemaker_blocks.hpp"

namespace swx {
namespace {

using test::fatal_lines;
using Lines = test::FatalLines;

// Time series file with one or more value columns per record; time runs from 0 by dt.
void write_series(const std::string& name, float dt, const std::vector<std::vector<float>>& columns) {
  std::ofstream out(name);
  const std::size_t n = columns.front().size();
  out << "# SWELLIX Type 2 Time Series File\n:NDataSets " << columns.size() + 1 << "\n:NTimeSteps " << n
      << "\n#\n:EndHeader\n";
  for (std::size_t k = 0; k < n; ++k) {
    out << static_cast<float>(k) * dt;
    for (const auto& c : columns) out << ' ' << c[k];
    out << '\n';
  }
}

void add(ParamTable& t, const std::string& k, const std::string& v) {
  t.keys.push_back(k);
  t.values.push_back(v);
}

GridHeader grid20x10() {
  GridHeader g;
  g.delta_x = g.delta_y = 5.0f;
  g.ngrid_x = 20;
  g.ngrid_y = 10;
  return g;
}

// A flat basin 5 m deep on the 20 x 10 grid, with a reporter whose console output is kept.
struct Basin {
  std::ostringstream console;
  Reporter reporter;
  Field depth{21, 11, 5.0f};
  float max_depth = 5.0f;
  Basin() { reporter.console = &console; }
};

// A wave of amplitude a on FFT bin j of n samples: a sin(2 pi j k / n).
std::vector<float> sine(int n, int j, float a) {
  std::vector<float> x(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k)
    x[static_cast<std::size_t>(k)] = a * static_cast<float>(std::sin(2.0 * 3.14159265358979 * j * k / n));
  return x;
}

ParamTable eta_file_block(const std::string& file) {
  return test::table_of({{"start_wavemaker", " "},
                         {"wm_pos_i1", "1"},
                         {"wm_pos_i2", "1"},
                         {"wm_pos_j1", "1"},
                         {"wm_pos_j2", "10"},
                         {"wave_type", "irreg_uni"},
                         {"time_series_option", "file"},
                         {"input_ts_eta_file", file},
                         {"xref_eta", "0"},
                         {"yref_eta", "20"},
                         {"wave_direction", "270"},
                         {"wave_period_min", "2"},
                         {"wave_period_max", "50"},
                         {"end_wavemaker", " "}});
}

TEST(FileSignals, ElevationSeriesDrivesTheLineAndLaterFilesMustMatchIt) {
  test::ScratchDir dir;
  const std::string a = dir.path("a.ts"), b = dir.path("b.ts");
  // 512 samples of 0.25 s (128 s): an 8 s wave of amplitude 0.2 m is bin 16.
  write_series(a, 0.25f, {sine(512, 16, 0.2f)});
  write_series(b, 0.2f, {sine(512, 16, 0.2f)});
  ParamTable t = eta_file_block(a);
  const ParamTable second = eta_file_block(b);
  t.keys.insert(t.keys.end(), second.keys.begin(), second.keys.end());
  t.values.insert(t.values.end(), second.values.begin(), second.values.end());
  add(t, "time_step", "0.25");
  add(t, "duration", "200");
  Basin basin;
  EXPECT_EQ(
      fatal_lines([&] { read_wavemakers(t, grid20x10(), basin.depth, basin.max_depth, basin.reporter); }),
      (Lines{"TimeStep and/or NTimeSteps for wave generator #2", "is not equal to that for wave generator #1", " "}));

  // One wavemaker: times 0 .. 127.75 give dt = 127.75 / 512; duration = 512 dt = 127.75 s.
  t.keys.resize(14);
  t.values.resize(14);
  add(t, "time_step", "0.25");
  add(t, "duration", "200");
  WavemakerSet set = read_wavemakers(t, grid20x10(), basin.depth, basin.max_depth, basin.reporter);
  const Wavemaker& w = set.wavemakers.front();
  EXPECT_FLOAT_EQ(w.duration, 127.75f);
  EXPECT_EQ(set.signal_steps, 512);  // int(127.75 / 0.25 + 1.5)
  // Spectral estimate: H = 2.507 sigma = 2.507 * 0.2 / sqrt 2, T = 8 s within the resampling.
  EXPECT_NEAR(w.height, 2.507f * 0.2f / std::sqrt(2.0f), 0.01f * w.height);
  EXPECT_NEAR(w.period, 8.0f, 0.05f);
  // Normal incidence along the full west side at uniform depth: one signal for the line.
  EXPECT_EQ(w.linear_flag, 0);
  EXPECT_EQ(w.signal.npoints, 1);
}

TEST(FileSignals, SpectralEstimateOfASine) {
  // Amplitude 0.5 on bin 32 of 1024 samples of 0.1 s: T = 1024 * 0.1 / 32 = 3.2 s exactly;
  // sigma^2 = 0.125 * 1024 / 1023.
  const SpectralEstimate e = spectral_estimate(sine(1024, 32, 0.5f), 0.1f);
  EXPECT_NEAR(e.height, 2.507f * std::sqrt(0.125f * 1024.0f / 1023.0f), 1e-4f);
  EXPECT_NEAR(e.period, 3.2f, 1e-4f);
  EXPECT_EQ(spectral_estimate(std::vector<float>(64, 0.0f), 0.1f).period, 0.0f);
}

TEST(FileSignals, DirectionsFromVelocitiesFollowEachComponentWithinTheCutoff) {
  // Components on bins 20..59 of 1024 samples; bins below 40 travel at 20 deg, the others at
  // 60 deg; u and v are the velocities of each component along x and y, in phase with eta.
  const int n = 1024;
  std::vector<float> eta(n, 0.0f), u(n, 0.0f), v(n, 0.0f);
  for (int j = 20; j < 60; ++j) {
    const float th = (j < 40 ? 20.0f : 60.0f) * kPi / 180.0f;
    const std::vector<float> c = sine(n, j, 0.01f);
    for (int k = 0; k < n; ++k) {
      eta[static_cast<std::size_t>(k)] += c[static_cast<std::size_t>(k)];
      u[static_cast<std::size_t>(k)] += 0.7f * std::cos(th) * c[static_cast<std::size_t>(k)];
      v[static_cast<std::size_t>(k)] += 0.7f * std::sin(th) * c[static_cast<std::size_t>(k)];
    }
  }
  const FftLength f = fft_length(n, 0.1f);
  const BandIndices band{10, 100};
  float principal = 0.0f;
  std::vector<float> d = velocity_directions(eta, u, v, f, band, 85.0f, principal);
  // Equal energy in both halves: the principal direction is their mean, 40 deg.
  EXPECT_NEAR(principal, 40.0f, 0.5f);
  EXPECT_NEAR(d[25], 20.0f, 0.1f) << principal;  // window 21..29 lies wholly at 20 deg
  EXPECT_NEAR(d[55], 60.0f, 0.1f);
  // A cut-off of 15 deg holds every component within 25 .. 55 deg.
  d = velocity_directions(eta, u, v, f, band, 15.0f, principal);
  EXPECT_NEAR(d[25], 25.0f, 0.5f);
  EXPECT_NEAR(d[55], 55.0f, 0.5f);
}

// Directional spectrum file: 50 frequencies 0.02 .. 1.0 Hz, 5 directions from min_wave_dir by
// 10 deg, all energy in the middle direction, JONSWAP-like in frequency.
void write_directional(const std::string& name, float min_dir) {
  std::ofstream out(name);
  out << "# directional spectrum\n:freq_interval 0.02\n:dir_spacing 10\n:initial_freq 0.02\n:min_wave_dir " << min_dir
      << "\n:nfrequencies 50\n:ndirections 5\n:n_arrays 1\n:EndHeader\n";
  for (int m = 1; m <= 5; ++m)
    for (int k = 1; k <= 50; ++k) {
      const float f = 0.02f * k;
      const float s =
          m == 3 ? 0.02f / (f * f * f * f * f) * std::exp(-1.25f * std::pow(0.125f / f, 4.0f)) / 10.0f : 0.0f;
      out << s << '\n';
    }
}

ParamTable directional_block(const std::string& file) {
  return test::table_of({{"start_wavemaker", " "},
                         {"wm_pos_i1", "1"},
                         {"wm_pos_i2", "1"},
                         {"wm_pos_j1", "1"},
                         {"wm_pos_j2", "10"},
                         {"wave_type", "irreg_multi"},
                         {"time_series_option", "synthesize"},
                         {"wave_spec_option", "file"},
                         {"dir_spec_file", file},
                         {"wave_period_min", "2"},
                         {"wave_period_max", "40"},
                         {"rescale_spectrum", "no"},
                         {"random_number_seed", "11"},
                         {"time_series_duration", "102.4"},
                         {"end_wavemaker", " "},
                         {"time_step", "0.1"},
                         {"duration", "200"}});
}

TEST(FileSignals, DirectionalSpectrumFileIsSynthesisedComponentByComponent) {
  test::ScratchDir dir;
  Basin basin;
  // Principal direction 70 deg (from the east-north-east): cannot enter from the west side.
  write_directional(dir.path("east.dws"), 50.0f);
  EXPECT_EQ(
      fatal_lines([&] { read_wavemakers(directional_block(dir.path("east.dws")), grid20x10(), basin.depth, basin.max_depth, basin.reporter); }),
      (Lines{"principal direction of input directional spectrum", "cannot be generated along specified boundary",
             " "}));
  // All energy from 270 (travelling along +x): every point of the line carries the same signal,
  // as long-crested waves normal to the line must.
  write_directional(dir.path("west.dws"), 250.0f);
  WavemakerSet set = read_wavemakers(directional_block(dir.path("west.dws")), grid20x10(), basin.depth, basin.max_depth, basin.reporter);
  const BoundarySignal& s = set.wavemakers.front().signal;
  ASSERT_EQ(s.npoints, 10);
  ASSERT_EQ(s.nsteps, 1025);
  float peak = 0.0f;
  for (int n = 1; n <= s.nsteps; ++n) {
    peak = std::max(peak, std::fabs(s.u(n, 1)));
    ASSERT_NEAR(s.u(n, 10), s.u(n, 1), 1e-6f);
  }
  EXPECT_GT(peak, 0.01f);
}

// Elevation and velocity series of long-crested waves travelling at `direction` degrees (grid
// frame): bins 20..59 of 512 samples of 0.25 s, velocities 0.5 m/s per metre of elevation.
void write_eta_uv(const std::string& eta_name, const std::string& uv_name, float direction) {
  const int n = 512;
  std::vector<float> eta(n, 0.0f), u(n, 0.0f), v(n, 0.0f);
  const float th = direction * kPi / 180.0f;
  for (int j = 20; j < 60; ++j) {
    const std::vector<float> c = sine(n, j, 0.005f);
    for (int k = 0; k < n; ++k) {
      eta[static_cast<std::size_t>(k)] += c[static_cast<std::size_t>(k)];
      u[static_cast<std::size_t>(k)] += 0.5f * std::cos(th) * c[static_cast<std::size_t>(k)];
      v[static_cast<std::size_t>(k)] += 0.5f * std::sin(th) * c[static_cast<std::size_t>(k)];
    }
  }
  write_series(eta_name, 0.25f, {eta});
  write_series(uv_name, 0.25f, {u, v});
}

ParamTable velocity_block(const std::string& eta, const std::string& uv) {
  return test::table_of({{"start_wavemaker", " "},
                         {"wm_pos_i1", "1"},
                         {"wm_pos_i2", "1"},
                         {"wm_pos_j1", "1"},
                         {"wm_pos_j2", "10"},
                         {"wave_type", "irreg_multi"},
                         {"time_series_option", "file"},
                         {"input_ts_eta_file", eta},
                         {"xref_eta", "0"},
                         {"yref_eta", "20"},
                         {"wave_dsf_option", "velocity"},
                         {"input_ts_uv_file", uv},
                         {"xref_uv", "0"},
                         {"yref_uv", "20"},
                         {"max_cutoff_angle", "40"},
                         {"wave_period_min", "2"},
                         {"wave_period_max", "50"},
                         {"end_wavemaker", " "},
                         {"time_step", "0.25"},
                         {"duration", "200"}});
}

TEST(FileSignals, VelocitySeriesGiveTheDirectionOfAMeasuredSea) {
  test::ScratchDir dir;
  Basin basin;
  // Waves at 20 deg enter from the west: the line's points lag one another along y.
  write_eta_uv(dir.path("eta.ts"), dir.path("uv.ts"), 20.0f);
  WavemakerSet set =
      read_wavemakers(velocity_block(dir.path("eta.ts"), dir.path("uv.ts")), grid20x10(), basin.depth, basin.max_depth, basin.reporter);
  const Wavemaker& w = set.wavemakers.front();
  EXPECT_EQ(w.dsf_option, 2);
  EXPECT_NEAR(w.direction, 20.0f, 0.5f);
  EXPECT_EQ(w.signal.npoints, 10);
  float differ = 0.0f;
  for (int n = 1; n <= w.signal.nsteps; ++n) differ = std::max(differ, std::fabs(w.signal.u(n, 1) - w.signal.u(n, 10)));
  EXPECT_GT(differ, 0.001f);
  // Waves travelling west cannot be made on the west side.
  write_eta_uv(dir.path("eta.ts"), dir.path("uv.ts"), 180.0f);
  EXPECT_EQ(fatal_lines([&] {
              read_wavemakers(velocity_block(dir.path("eta.ts"), dir.path("uv.ts")), grid20x10(), basin.depth, basin.max_depth, basin.reporter);
            }),
            (Lines{"principal wave direction cannot be", "generated along specified boundary", " "}));
}

TEST(FileSignals, VelocitiesInTwoProbeFilesActAsOneVelocityFile) {
  // A run's probes write u and v into files of their own, one column per probe: with
  // input_ts_v_file the first column of each gives the same signal as a two-column file.
  test::ScratchDir dir;
  Basin basin;
  write_eta_uv(dir.path("eta.ts"), dir.path("uv.ts"), 30.0f);
  const WavemakerSet one =
      read_wavemakers(velocity_block(dir.path("eta.ts"), dir.path("uv.ts")), grid20x10(), basin.depth, basin.max_depth, basin.reporter);

  const std::string text = test::read_text(dir.path("uv.ts"));
  std::vector<float> u, v;
  std::istringstream data(text.substr(text.find(":EndHeader\n") + 11));
  for (float time, a, b; data >> time >> a >> b;) {
    u.push_back(a);
    v.push_back(b);
  }
  ASSERT_EQ(u.size(), 512u);
  const std::vector<float> other(u.size(), 0.3f);  // a second probe, not to be read
  write_series(dir.path("u.ts"), 0.25f, {u, other});
  write_series(dir.path("v.ts"), 0.25f, {v, other});
  ParamTable t = velocity_block(dir.path("eta.ts"), dir.path("u.ts"));
  t.keys.insert(t.keys.begin() + 12, "input_ts_v_file");
  t.values.insert(t.values.begin() + 12, dir.path("v.ts"));
  const WavemakerSet two = read_wavemakers(t, grid20x10(), basin.depth, basin.max_depth, basin.reporter);
  const BoundarySignal &s1 = one.wavemakers.front().signal, &s2 = two.wavemakers.front().signal;
  EXPECT_NEAR(two.wavemakers.front().direction, 30.0f, 0.5f);
  ASSERT_EQ(s2.U.size(), s1.U.size());
  EXPECT_EQ(s2.U, s1.U);
  EXPECT_EQ(s2.Q, s1.Q);

  // The second file is held to the same length as the others.
  write_series(dir.path("v.ts"), 0.25f, {std::vector<float>(v.begin(), v.end() - 1)});
  EXPECT_EQ(
      fatal_lines([&] { read_wavemakers(t, grid20x10(), basin.depth, basin.max_depth, basin.reporter); }),
      (Lines{"TimeStep and/or NTimeSteps for wave generator #1", "is not equal to that for wave generator #1", " "}));
}

}  // namespace
}  // namespace swx
