// Wavemaker blocks (positions, sides, directions, keys and their messages) and wavemakers driven
// by files: elevation and velocity series, the spectral estimate and directional spectra.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "param_builder.hpp"
#include "wavegen/file_signals.hpp"
#include "wavegen/numerics.hpp"
#include "wavegen/wavemaker_blocks.hpp"

namespace swx {
namespace {

using test::Entries;
using test::fatal_lines;
using Lines = test::FatalLines;

Entries cat(Entries a, const Entries& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Entries block(const Entries& keys) { return cat(cat({{"start_wavemaker", " "}}, keys), {{"end_wavemaker", " "}}); }
Entries line(int i1, int i2, int j1, int j2) {
  return {{"wm_pos_i1", std::to_string(i1)}, {"wm_pos_i2", std::to_string(i2)},
          {"wm_pos_j1", std::to_string(j1)}, {"wm_pos_j2", std::to_string(j2)}};
}
const Entries kWest = line(1, 1, 1, 10);
const Entries kRun = {{"time_step", "0.25"}, {"duration", "200"}};

Entries regular(const Entries& pos, const std::string& direction, const std::string& cycles = "10") {
  return block(cat(pos, {{"wave_type", "regular"}, {"wave_height", "0.5"}, {"wave_period", "8"},
                         {"wave_direction", direction}, {"wave_cycles", cycles}}));
}
Entries irregular(const std::string& option, const std::string& seed, const std::string& duration = "80") {
  return block(cat(kWest, {{"wave_type", "irreg_uni"}, {"time_series_option", option},
                           {"wave_spec_option", "parameter"}, {"spectral_type", "jonswap"}, {"jonswap_option", "hs"},
                           {"sig_wave_height", "1"}, {"peak_wave_period", "8"}, {"gamma", "3.3"},
                           {"wave_direction", "270"}, {"wave_period_min", "2"}, {"wave_period_max", "30"},
                           {"rescale_spectrum", "no"}, {"random_number_seed", seed},
                           {"time_series_duration", duration}}));
}

// A flat basin 5 m deep on a 20 x 10 grid of 5 m cells; the console output is kept.
struct Basin {
  std::ostringstream console;
  Reporter reporter{&console, nullptr};
  Field depth{21, 11, 5.0f};
  float max_depth = 5.0f;
  GridHeader grid{.delta_x = 5.0f, .delta_y = 5.0f, .ngrid_x = 20, .ngrid_y = 10};
  WavemakerSet read(const Entries& keys) { return read_wavemakers(test::table_of(keys), grid, depth, max_depth, reporter); }
  Lines refused(const Entries& keys) { return fatal_lines([&] { read(keys); }); }
  // Block 1 alone, without the signal.
  Wavemaker first(const Entries& keys) {
    const ParamTable t = test::table_of(keys);
    Wavemaker w;
    w.number = 1;
    w.block = find_wavemaker_blocks(t).front();
    SeriesFileReference ref;
    read_wavemaker_block(w, t, grid, depth, ref, reporter);
    return w;
  }
  Lines first_refused(const Entries& keys) { return fatal_lines([&] { first(keys); }); }
};

TEST(WavemakerBlocks, CountsAndEndsAreCheckedBeforeAnyBlockIsRead) {
  const Entries empty = block({});
  const Entries five = cat(cat(cat(empty, empty), cat(empty, empty)), empty);
  const std::pair<Entries, Lines> cases[] = {
      {{{"time_step", "0.1"}}, {"Zero wavemakers found in simulation parameter file", " ", " "}},
      {five, {"Number of wavemakers exceeds maximum of 4", " ", " "}},
      // Block 2 lacks its end; block 3 has one, yet block 2 is the one reported.
      {cat(cat(empty, {{"start_wavemaker", " "}, {"wave_type", "regular"}}), empty),
       {"End_Wavemaker symbol not found for Wavemaker #2", " ", " "}}};
  for (const auto& [keys, lines] : cases)
    EXPECT_EQ(fatal_lines([&] { find_wavemaker_blocks(test::table_of(keys)); }), lines);
  const std::vector<Block> b = find_wavemaker_blocks(test::table_of(cat({{"x", "1"}}, block({{"a", "1"}}))));
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].first, 2);
  EXPECT_EQ(b[0].last, 4);
}

TEST(WavemakerBlocks, PositionGivesTheSideAndTheDirectionMustEnterFromIt) {
  // Sides 1 N, 2 E, 3 S, 4 W, 5 inner row, 6 inner column; travel 270 - nautical, < 0: refused.
  struct Case {
    int i1, i2, j1, j2;
    const char* nautical;
    int side, full;  // full: 1 whole side, 0 part of it, -1 not checked
    float travel;
  };
  const Case cases[] = {{1, 1, 5, 1, "270", 4, 0, 0},     {7, 7, 3, 3, "270", 6, 0, 0},    {20, 1, 10, 10, "0", 1, 1, 270},
                        {20, 20, 1, 10, "90", 2, 1, 180}, {1, 20, 1, 1, "180", 3, 1, 90},  {1, 20, 4, 4, "180", 5, -1, 90},
                        {1, 1, 1, 10, "90", 4, 1, -1},    {20, 20, 1, 10, "270", 2, 1, -1}, {1, 20, 10, 10, "180", 1, 1, -1},
                        {1, 20, 1, 1, "0", 3, 1, -1},     {1, 1, 1, 10, "0", 4, 1, -1}};
  Basin b;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.i1 * 1000 + c.j1) + " from " + c.nautical);
    const Entries keys = regular(line(c.i1, c.i2, c.j1, c.j2), c.nautical);
    if (c.travel < 0.0f) {
      EXPECT_EQ(b.first_refused(keys),
                (Lines{"Wavemaker #1", "wave direction cannot be generated", "along specified boundary"}));
      continue;
    }
    const Wavemaker w = b.first(keys);
    EXPECT_EQ(w.side, c.side);
    EXPECT_EQ(w.i1, std::min(c.i1, c.i2));
    EXPECT_EQ(w.i2, std::max(c.i1, c.i2));
    EXPECT_EQ(w.j1, std::min(c.j1, c.j2));
    EXPECT_EQ(w.j2, std::max(c.j1, c.j2));
    if (c.full >= 0) { EXPECT_EQ(w.full_side, c.full == 1); }
    EXPECT_FLOAT_EQ(w.direction, c.travel);
  }
  EXPECT_EQ(b.first_refused(regular(line(1, 3, 1, 3), "270")),
            (Lines{"Invalid wavemaker coordinates for wavemaker #1", " ", " "}));
  EXPECT_TRUE(b.console.str().empty());
}

TEST(WavemakerBlocks, LandAlongTheLineWarnsOrStops) {
  Basin b;
  b.depth(1, 3) = -1.0f;
  b.first(regular(kWest, "270"));
  EXPECT_EQ(b.console.str(), test::box_text(kWarningTitle, "Wavemaker #1", "wave generation boundary contains land",
                                            "points along part of boundary"));
  // Depth exactly 0 is not land (no warning), but a line of zeros and land has no water at all.
  b.depth = Field(21, 11, 0.0f);
  b.depth(1, 2) = -2.0f;
  EXPECT_EQ(b.first_refused(regular(kWest, "270")),
            (Lines{"Wavemaker #1", "wave generation boundary contains only", "land points"}));
}

TEST(WavemakerBlocks, KeysOfEachWaveTypeAndTheirChecks) {
  Basin b;
  const Wavemaker w = b.first(regular(kWest, "270"));
  EXPECT_EQ(w.wave_type, WaveType::kRegular);
  EXPECT_FLOAT_EQ(w.height, 0.5f);
  EXPECT_FLOAT_EQ(w.duration, 80.0f);  // 10 cycles of 8 s
  Entries swell = regular(kWest, "270"), stale = regular(kWest, "270"), spec = irregular("synthesize", "1");
  swell[5].second = "swell";
  spec[7].second = "table";
  stale.erase(stale.begin() + 6);  // wave_height only before the block: not seen by it
  const std::pair<Entries, Lines> cases[] = {
      {regular(kWest, "270", "0"), {"Wavemaker #1", "number of wave cycles must be greater than 0", " "}},
      {swell, {"Invalid wave_type in simulation parameter file", " ", " "}},
      {cat({{"wave_height", "0.5"}}, stale), {"Parameter wave_height not found in Simulation Parameter File", " ", " "}},
      {irregular("measured", "1"), {"Wavemaker #1", "invalid time_series_option in simulation", "parameter file"}},
      {spec, {"Wavemaker #1", "invalid wave_spec_option in simulation", "parameter file"}}};
  for (const auto& [keys, lines] : cases) EXPECT_EQ(b.first_refused(keys), lines);

  const Wavemaker i = b.first(irregular("synthesize", "0"));
  EXPECT_EQ(i.seed, kDefaultSeed);
  EXPECT_FLOAT_EQ(i.duration, 80.0f);
  EXPECT_FLOAT_EQ(i.band.f_low, 1.0f / 30.0f);
  EXPECT_FLOAT_EQ(i.band.f_high, 0.5f);
  EXPECT_EQ(i.spectrum.count(), 1201);
  EXPECT_EQ(b.first(irregular("synthesize", "-5")).seed, kDefaultSeed);
  EXPECT_EQ(b.first(irregular("synthesize", "17")).seed, 17);
}

TEST(WavemakerBlocks, RunKeysAndTheSharedDuration) {
  // Wavemaker 1: 10 regular cycles of 8 s = 80 s; a second irregular one of 80 s is accepted,
  // of 90 s refused.
  Basin b;
  auto two = [](const char* duration) {
    return cat(cat(regular(kWest, "270"), irregular("synthesize", "3", duration)),
               {{"time_step", "0.2"}, {"duration", "100"}});
  };
  WavemakerSet set = b.read(two("80"));
  ASSERT_EQ(set.wavemakers.size(), 2u);
  EXPECT_FLOAT_EQ(set.storm_duration, 80.0f);
  EXPECT_EQ(set.signal_steps, 401);  // int(80 / 0.2 + 1.5)
  const std::vector<BoundarySignal> s = set.take_signals();
  EXPECT_EQ(s[1].number, 2);
  EXPECT_EQ(s[1].nsteps, 401);
  EXPECT_EQ(s[1].U.size(), std::size_t(s[1].npoints) * 401u);
  EXPECT_EQ(b.refused(two("90")),
            (Lines{"time series duration for wavemaker #2", "is not equal to that for wavemaker #1", " "}));
  EXPECT_EQ(b.refused(cat(regular(kWest, "270"), {{"time_step", "0"}, {"duration", "100"}})).l1,
            "time step has to be greater than zero");
  EXPECT_EQ(b.refused(cat(regular(kWest, "270"), {{"time_step", "0.1"}, {"duration", "-1"}})).l1,
            "Simulation duration has to be greater than 0.0");
}

// Time series file: time from 0 by dt, then one column per vector.
void write_series(const std::string& name, float dt, const std::vector<std::vector<float>>& columns) {
  std::ofstream out(name);
  const std::size_t n = columns.front().size();
  out << "# SWELLIX Type 2 Time Series File\n:NDataSets " << columns.size() + 1 << "\n:NTimeSteps " << n
      << "\n#\n:EndHeader\n";
  for (std::size_t k = 0; k < n; ++k) {
    out << k * dt;
    for (const auto& c : columns) out << ' ' << c[k];
    out << '\n';
  }
}

// a sin(2 pi j k / n): a wave on FFT bin j of n samples.
std::vector<float> sine(int n, int j, float a) {
  std::vector<float> x(n);
  for (int k = 0; k < n; ++k) x[k] = a * static_cast<float>(std::sin(2.0 * M_PI * j * k / n));
  return x;
}

Entries eta_file(const std::string& file) {
  return block(cat(kWest, {{"wave_type", "irreg_uni"}, {"time_series_option", "file"}, {"input_ts_eta_file", file},
                           {"xref_eta", "0"}, {"yref_eta", "20"}, {"wave_direction", "270"},
                           {"wave_period_min", "2"}, {"wave_period_max", "50"}}));
}

TEST(FileSignals, ElevationSeriesDrivesTheLineAndLaterFilesMustMatchIt) {
  test::ScratchDir dir;
  Basin b;
  // 512 samples of 0.25 s: an 8 s wave of amplitude 0.2 m on bin 16.
  write_series(dir.path("a.ts"), 0.25f, {sine(512, 16, 0.2f)});
  write_series(dir.path("b.ts"), 0.2f, {sine(512, 16, 0.2f)});
  EXPECT_EQ(b.refused(cat(cat(eta_file(dir.path("a.ts")), eta_file(dir.path("b.ts"))), kRun)),
            (Lines{"TimeStep and/or NTimeSteps for wave generator #2", "is not equal to that for wave generator #1",
                   " "}));
  // Times 0 .. 127.75 give dt = 127.75 / 512 and a duration of 512 dt = 127.75 s.
  WavemakerSet set = b.read(cat(eta_file(dir.path("a.ts")), kRun));
  const Wavemaker& w = set.wavemakers.front();
  EXPECT_FLOAT_EQ(w.duration, 127.75f);
  EXPECT_EQ(set.signal_steps, 512);  // int(127.75 / 0.25 + 1.5)
  // Spectral estimate: H = 2.507 sigma, T = 8 s.
  EXPECT_NEAR(w.height, 2.507f * 0.2f / std::sqrt(2.0f), 0.01f * w.height);
  EXPECT_NEAR(w.period, 8.0f, 0.05f);
  // Normal incidence along the full west side at uniform depth: one signal for the line.
  EXPECT_EQ(w.linear_flag, 0);
  EXPECT_EQ(w.signal.npoints, 1);

  // Amplitude 0.5 on bin 32 of 1024 samples of 0.1 s: T = 3.2 s, sigma^2 = 0.125 * 1024 / 1023.
  const SpectralEstimate e = spectral_estimate(sine(1024, 32, 0.5f), 0.1f);
  EXPECT_NEAR(e.height, 2.507f * std::sqrt(0.125f * 1024.0f / 1023.0f), 1e-4f);
  EXPECT_NEAR(e.period, 3.2f, 1e-4f);
}

// Long-crested waves on bins 20..59 of n samples, components below `split` travelling at d1 deg
// and the others at d2 (grid frame), with velocities `speed` m/s per metre of elevation.
struct EtaUv {
  std::vector<float> eta, u, v;
};
EtaUv eta_uv(int n, float amplitude, float speed, float d1, float d2 = 0.0f, int split = 60) {
  EtaUv s{std::vector<float>(n), std::vector<float>(n), std::vector<float>(n)};
  for (int j = 20; j < 60; ++j) {
    const float th = (j < split ? d1 : d2) * kPi / 180.0f;
    const std::vector<float> c = sine(n, j, amplitude);
    for (int k = 0; k < n; ++k) {
      s.eta[k] += c[k];
      s.u[k] += speed * std::cos(th) * c[k];
      s.v[k] += speed * std::sin(th) * c[k];
    }
  }
  return s;
}

TEST(FileSignals, DirectionsFromVelocitiesFollowEachComponentWithinTheCutoff) {
  const EtaUv s = eta_uv(1024, 0.01f, 0.7f, 20.0f, 60.0f, 40);
  const FftLength f = fft_length(1024, 0.1f);
  float principal = 0.0f;
  std::vector<float> d = velocity_directions(s.eta, s.u, s.v, f, BandIndices{10, 100}, 85.0f, principal);
  // Equal energy in both halves: the principal direction is their mean, 40 deg.
  EXPECT_NEAR(principal, 40.0f, 0.5f);
  EXPECT_NEAR(d[25], 20.0f, 0.1f);
  EXPECT_NEAR(d[55], 60.0f, 0.1f);
  // A cut-off of 15 deg holds every component within 25 .. 55 deg.
  d = velocity_directions(s.eta, s.u, s.v, f, BandIndices{10, 100}, 15.0f, principal);
  EXPECT_NEAR(d[25], 25.0f, 0.5f);
  EXPECT_NEAR(d[55], 55.0f, 0.5f);
}

Entries velocity_files(const std::string& eta, const std::string& uv, const std::string& v = "") {
  Entries k = cat(kWest, {{"wave_type", "irreg_multi"}, {"time_series_option", "file"}, {"input_ts_eta_file", eta},
                          {"xref_eta", "0"}, {"yref_eta", "20"}, {"wave_dsf_option", "velocity"},
                          {"input_ts_uv_file", uv}});
  if (!v.empty()) k.push_back({"input_ts_v_file", v});
  return cat(block(cat(k, {{"xref_uv", "0"}, {"yref_uv", "20"}, {"max_cutoff_angle", "40"},
                           {"wave_period_min", "2"}, {"wave_period_max", "50"}})), kRun);
}

TEST(FileSignals, VelocitySeriesGiveTheDirectionOfAMeasuredSea) {
  test::ScratchDir dir;
  Basin b;
  const std::string eta = dir.path("eta.ts"), uv = dir.path("uv.ts");
  EtaUv s;
  auto write = [&](float direction) {
    s = eta_uv(512, 0.005f, 0.5f, direction);
    write_series(eta, 0.25f, {s.eta});
    write_series(uv, 0.25f, {s.u, s.v});
  };
  write(20.0f);  // enters from the west: the line's points lag one another along y
  WavemakerSet set = b.read(velocity_files(eta, uv));
  const Wavemaker& w = set.wavemakers.front();
  EXPECT_EQ(w.dsf_option, 2);
  EXPECT_NEAR(w.direction, 20.0f, 0.5f);
  EXPECT_EQ(w.signal.npoints, 10);
  float differ = 0.0f;
  for (int n = 1; n <= w.signal.nsteps; ++n) differ = std::max(differ, std::fabs(w.signal.u(n, 1) - w.signal.u(n, 10)));
  EXPECT_GT(differ, 0.001f);

  // u and v in files of their own (one column per probe, the first read) act as one uv file.
  write(30.0f);
  const std::vector<float> other(512, 0.3f);
  write_series(dir.path("u.ts"), 0.25f, {s.u, other});
  write_series(dir.path("v.ts"), 0.25f, {s.v, other});
  const WavemakerSet one = b.read(velocity_files(eta, uv)), two = b.read(velocity_files(eta, dir.path("u.ts"), dir.path("v.ts")));
  const BoundarySignal &s1 = one.wavemakers.front().signal, &s2 = two.wavemakers.front().signal;
  EXPECT_NEAR(two.wavemakers.front().direction, 30.0f, 0.5f);
  EXPECT_EQ(s2.U, s1.U);
  EXPECT_EQ(s2.Q, s1.Q);

  write(180.0f);  // travelling west: not from the west side
  EXPECT_EQ(b.refused(velocity_files(eta, uv)),
            (Lines{"principal wave direction cannot be", "generated along specified boundary", " "}));
}

TEST(FileSignals, DirectionalSpectrumFileIsSynthesisedComponentByComponent) {
  // 50 frequencies 0.02 .. 1 Hz, 5 directions by 10 deg from min_wave_dir, all energy in the middle.
  test::ScratchDir dir;
  Basin b;
  auto write = [&](const std::string& name, float min_dir) {
    std::ofstream out(dir.path(name));
    out << "# directional spectrum\n:freq_interval 0.02\n:dir_spacing 10\n:initial_freq 0.02\n:min_wave_dir "
        << min_dir << "\n:nfrequencies 50\n:ndirections 5\n:n_arrays 1\n:EndHeader\n";
    for (int m = 1; m <= 5; ++m)
      for (int k = 1; k <= 50; ++k) {
        const float f = 0.02f * k;
        out << (m == 3 ? 0.002f / std::pow(f, 5.0f) * std::exp(-1.25f * std::pow(0.125f / f, 4.0f)) : 0.0f) << '\n';
      }
    return cat(block(cat(kWest, {{"wave_type", "irreg_multi"}, {"time_series_option", "synthesize"},
                                 {"wave_spec_option", "file"}, {"dir_spec_file", dir.path(name)},
                                 {"wave_period_min", "2"}, {"wave_period_max", "40"}, {"rescale_spectrum", "no"},
                                 {"random_number_seed", "11"}, {"time_series_duration", "102.4"}})),
               {{"time_step", "0.1"}, {"duration", "200"}});
  };
  EXPECT_EQ(b.refused(write("east.dws", 50.0f)),
            (Lines{"principal direction of input directional spectrum", "cannot be generated along specified boundary",
                   " "}));
  // All energy from 270 (principal 70 above): long-crested waves normal to the line, one signal.
  WavemakerSet set = b.read(write("west.dws", 250.0f));
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

}  // namespace
}  // namespace swx
