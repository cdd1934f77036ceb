// Wavemaker blocks and file-driven wavemakers, and the waves they generate in a basin run by the solver.

#include <complex>

#include "core/constants.hpp"
#include "core/fatal.hpp"
#include "solver/solver_api.hpp"
#include "wave_signals.hpp"
#include "wavegen/file_signals.hpp"
#include "wavegen/numerics.hpp"
#include "wavegen/wavemaker_blocks.hpp"
#include "wavegen_helpers.hpp"

namespace swx {
namespace {

using test::cat;
using test::Entries;
using test::fatal_lines;
using test::kv;
using Lines = test::FatalLines;

std::string num(double v) {
  std::ostringstream s;
  s.precision(9);
  s << v;
  return s.str();
}
Entries block(const Entries& keys) { return cat(cat(kv("start_wavemaker"), keys), kv("end_wavemaker")); }
Entries line(int i1, int i2, int j1, int j2) {
  return kv("wm_pos_i1=" + num(i1) + " wm_pos_i2=" + num(i2) + " wm_pos_j1=" + num(j1) + " wm_pos_j2=" + num(j2));
}
Entries run(double dt, double duration) { return kv("time_step=" + num(dt) + " duration=" + num(duration)); }
const Entries kWest = line(1, 1, 1, 10), kRun = run(0.25, 200);

Entries regular(const Entries& pos, const std::string& from, const std::string& cycles = "10",
                const std::string& wave = "wave_height=0.5 wave_period=8") {
  return block(cat(pos, kv("wave_type=regular " + wave + " wave_direction=" + from + " wave_cycles=" + cycles)));
}
Entries irregular(const std::string& option, const std::string& seed, const std::string& duration = "80",
                  const std::string& sea = "sig_wave_height=1 peak_wave_period=8 wave_period_min=2 wave_period_max=30",
                  const Entries& pos = kWest) {
  return block(cat(pos, kv("wave_type=irreg_uni time_series_option=" + option +
                           " wave_spec_option=parameter spectral_type=jonswap jonswap_option=hs gamma=3.3 " + sea +
                           " wave_direction=270 rescale_spectrum=no random_number_seed=" + seed +
                           " time_series_duration=" + duration)));
}

// Flat basin (default 20 x 10 cells of 5 m, 5 m deep), damping rising quadratically into a layer before side `far`.
struct Basin {
  int nx = 20, ny = 10;
  float ds = 5.0f, h = 5.0f, max_depth = h;
  Field depth{nx + 1, ny + 1, h}, damping{nx + 1, ny + 1, 0.0f};
  GridHeader grid{.delta_x = ds, .delta_y = ds, .ngrid_x = nx, .ngrid_y = ny};
  std::ostringstream console;
  Reporter reporter{&console, nullptr};
  WavemakerSet set;
  Model model;

  Basin() = default;
  Basin(int nx_, int ny_, float ds_, float h_, int far, float width, float sigma_max)
      : nx(nx_), ny(ny_), ds(ds_), h(h_) {
    for (int j = 1; j <= ny; ++j)
      for (int i = 1; i <= nx; ++i) {
        const float s = 1.0f - (far == 1 ? ny - j : far == 2 ? nx - i : far == 3 ? j - 1 : i - 1) * ds / width;
        if (s > 0.0f) damping(i, j) = sigma_max * s * s;
      }
  }
  WavemakerSet read(const Entries& keys) {
    return read_wavemakers(test::table_of(keys), grid, depth, max_depth, reporter);
  }
  Lines refused(const Entries& keys) {
    return fatal_lines([&] { read(keys); });
  }
  // Block 1 alone, without the signal.
  Wavemaker first(const Entries& keys) {
    const ParamTable t = test::table_of(keys);
    Wavemaker w;
    w.number = 1, w.block = find_wavemaker_blocks(t).front();
    SeriesFileReference ref;
    read_wavemaker_block(w, t, grid, depth, ref, reporter);
    return w;
  }
  Lines first_refused(const Entries& keys) {
    return fatal_lines([&] { first(keys); });
  }
  // Wavemaker phase, then the model; `each` sees the model after every step.
  void simulate(const Entries& keys, float dt, int nonlinear_option, int steps,
                const std::function<void(const Model&, int)>& each) {
    set = read(keys);
    const SolverOptions o{.time_step = dt,
                          .nonlinear_option = nonlinear_option,
                          .mean_period = set.wave.mean_period,
                          .rms_wave_height = set.wave.rms_wave_height};
    OptionalGrids grids;
    grids.damping = damping;
    build_model(model, depth, nx, ny, ds, ds, o, set.take_signals(), grids, reporter);
    for (int n = 1; n <= steps; ++n) {
      run_steps(model, n, 1, reporter);
      each(model, n);
    }
    EXPECT_FALSE(model.flow.instability_reported);
  }
};

TEST(WavemakerBlocks, CountsAndEndsAreCheckedBeforeAnyBlockIsRead) {
  const Entries empty = block({}), five = cat(cat(cat(empty, empty), cat(empty, empty)), empty);
  const std::pair<Entries, Lines> cases[] = {
      {kv("time_step=0.1"), {"Zero wavemakers found in simulation parameter file", " ", " "}},
      {five, {"Number of wavemakers exceeds maximum of 4", " ", " "}},
      // Block 2 lacks its end; block 3 has one, yet block 2 is the one reported.
      {cat(cat(empty, kv("start_wavemaker wave_type=regular")), empty),
       {"End_Wavemaker symbol not found for Wavemaker #2", " ", " "}}};
  for (const auto& [keys, lines] : cases)
    EXPECT_EQ(fatal_lines([&] { find_wavemaker_blocks(test::table_of(keys)); }), lines);
  const std::vector<Block> b = find_wavemaker_blocks(test::table_of(cat(kv("x=1"), block(kv("a=1")))));
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(std::make_pair(b[0].first, b[0].last), std::make_pair(2, 4));
}

TEST(WavemakerBlocks, PositionGivesTheSideAndTheDirectionMustEnterFromIt) {
  // Sides 1 N, 2 E, 3 S, 4 W, 5 inner row, 6 inner column; travel < 0: refused; full -1: unchecked.
  const std::tuple<int, int, int, int, const char*, int, int, float> cases[] = {
      // i1 i2 j1 j2 from side full travel
      {1, 1, 5, 1, "270", 4, 0, 0},     {7, 7, 3, 3, "270", 6, 0, 0},     {20, 1, 10, 10, "0", 1, 1, 270},
      {20, 20, 1, 10, "90", 2, 1, 180}, {1, 20, 1, 1, "180", 3, 1, 90},   {1, 20, 4, 4, "180", 5, -1, 90},
      {1, 1, 1, 10, "90", 4, 1, -1},    {20, 20, 1, 10, "270", 2, 1, -1}, {1, 20, 10, 10, "180", 1, 1, -1},
      {1, 20, 1, 1, "0", 3, 1, -1},     {1, 1, 1, 10, "0", 4, 1, -1}};
  Basin b;
  for (const auto& [i1, i2, j1, j2, from, side, full, travel] : cases) {
    SCOPED_TRACE(std::to_string(i1 * 1000 + j1) + " from " + from);
    const Entries keys = regular(line(i1, i2, j1, j2), from);
    if (travel < 0.0f) {
      EXPECT_EQ(b.first_refused(keys),
                (Lines{"Wavemaker #1", "wave direction cannot be generated", "along specified boundary"}));
      continue;
    }
    const Wavemaker w = b.first(keys);
    EXPECT_EQ(std::make_tuple(side_code(w.side), w.i1, w.i2, w.j1, w.j2),
              std::make_tuple(side, std::min(i1, i2), std::max(i1, i2), std::min(j1, j2), std::max(j1, j2)));
    if (full >= 0) {
      EXPECT_EQ(w.full_side, full == 1);
    }
    EXPECT_FLOAT_EQ(w.direction, travel);
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
      {cat(kv("wave_height=0.5"), stale), {"Parameter wave_height not found in Simulation Parameter File", " ", " "}},
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
  // Wavemaker 1: 10 regular cycles of 8 s = 80 s; a second irregular one of 80 s is accepted, of 90 s refused.
  Basin b;
  auto two = [](const char* duration) {
    return cat(cat(regular(kWest, "270"), irregular("synthesize", "3", duration)), run(0.2, 100));
  };
  WavemakerSet set = b.read(two("80"));
  ASSERT_EQ(set.wavemakers.size(), 2u);
  EXPECT_FLOAT_EQ(set.storm_duration, 80.0f);
  EXPECT_EQ(set.signal_steps, 401);  // int(80 / 0.2 + 1.5)
  const std::vector<BoundarySignal> s = set.take_signals();
  EXPECT_EQ(std::make_pair(s[1].number, s[1].nsteps), std::make_pair(2, 401));
  EXPECT_EQ(s[1].U.size(), std::size_t(s[1].npoints) * 401u);
  EXPECT_EQ(b.refused(two("90")),
            (Lines{"time series duration for wavemaker #2", "is not equal to that for wavemaker #1", " "}));
  EXPECT_EQ(b.refused(cat(regular(kWest, "270"), run(0, 100))).l1, "time step has to be greater than zero");
  EXPECT_EQ(b.refused(cat(regular(kWest, "270"), run(0.1, -1))).l1, "Simulation duration has to be greater than 0.0");
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

// A west-column wavemaker driven by an elevation series (and velocity series, when given), and the run keys.
Entries series_files(const std::string& eta, const std::string& uv = "", const std::string& v = "", bool run = true) {
  const std::string probe = " xref_eta=0 yref_eta=20 wave_period_min=2 wave_period_max=50 input_ts_eta_file=" + eta;
  const Entries keys = uv.empty() ? kv("wave_type=irreg_uni time_series_option=file wave_direction=270" + probe)
                                  : kv("wave_type=irreg_multi time_series_option=file wave_dsf_option=velocity "
                                       "xref_uv=0 yref_uv=20 max_cutoff_angle=40 input_ts_uv_file=" +
                                       uv + probe + (v.empty() ? "" : " input_ts_v_file=" + v));
  return cat(block(cat(kWest, keys)), run ? kRun : Entries{});
}

TEST(FileSignals, ElevationSeriesDrivesTheLineAndLaterFilesMustMatchIt) {
  test::ScratchDir dir;
  Basin b;
  // 512 samples of 0.25 s: an 8 s wave of amplitude 0.2 m on bin 16.
  write_series(dir.path("a.ts"), 0.25f, {sine(512, 16, 0.2f)});
  write_series(dir.path("b.ts"), 0.2f, {sine(512, 16, 0.2f)});
  EXPECT_EQ(
      b.refused(cat(series_files(dir.path("a.ts"), "", "", false), series_files(dir.path("b.ts")))),
      (Lines{"TimeStep and/or NTimeSteps for wave generator #2", "is not equal to that for wave generator #1", " "}));
  // Times 0 .. 127.75 give dt = 127.75 / 512 and a duration of 512 dt = 127.75 s.
  WavemakerSet set = b.read(series_files(dir.path("a.ts")));
  const Wavemaker& w = set.wavemakers.front();
  EXPECT_FLOAT_EQ(w.duration, 127.75f);
  EXPECT_EQ(set.signal_steps, 512);  // int(127.75 / 0.25 + 1.5)
  // Spectral estimate: H = 2.507 sigma, T = 8 s; normal incidence on a full side: one signal.
  EXPECT_NEAR(w.height, 2.507f * 0.2f / std::sqrt(2.0f), 0.01f * w.height);
  EXPECT_NEAR(w.period, 8.0f, 0.05f);
  EXPECT_EQ(std::make_pair(w.linear_flag, w.signal.npoints), std::make_pair(0, 1));
  // Amplitude 0.5 on bin 32 of 1024 samples of 0.1 s: T = 3.2 s, sigma^2 = 0.125 * 1024 / 1023.
  const SpectralEstimate e = spectral_estimate(sine(1024, 32, 0.5f), 0.1f);
  EXPECT_NEAR(e.height, 2.507f * std::sqrt(0.125f * 1024.0f / 1023.0f), 1e-4f);
  EXPECT_NEAR(e.period, 3.2f, 1e-4f);
}

// Waves on bins 20..59 of n samples, those below `split` at d1 deg, others at d2; velocity `speed` per m of eta.
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

// Velocities measured apart from the elevation (xref_uv, yref_uv): each component reaches the
// velocity gauge with the phase k (dx cos th + dy sin th) of its direction; ignoring it biases or
// even reverses the directions (here the phase passes a quarter period for most components).
TEST(FileSignals, DirectionsFromVelocitiesTakenApartFromTheElevation) {
  const int n = 1024;
  const float dt = 0.1f, depth = 5.0f, speed = 0.7f;
  const FftLength f = fft_length(n, dt);
  for (const auto& [dx, dy, th_deg] :
       {std::tuple{6.0f, 0.0f, 30.0f}, std::tuple{3.0f, -4.0f, 30.0f}, std::tuple{-5.0f, 2.0f, -40.0f}}) {
    EtaUv s{std::vector<float>(n), std::vector<float>(n), std::vector<float>(n)};
    const double th = th_deg * M_PI / 180.0;
    for (int j = 20; j < 60; ++j) {
      const double omega = 2.0 * M_PI * j / (n * dt);
      const double psi = wavenumber(static_cast<float>(omega), depth) * (dx * std::cos(th) + dy * std::sin(th));
      for (int k = 0; k < n; ++k) {
        const double t = k * dt;
        s.eta[k] += static_cast<float>(0.01 * std::sin(omega * t));
        const double lagged = 0.01 * speed * std::sin(omega * t - psi);
        s.u[k] += static_cast<float>(lagged * std::cos(th));
        s.v[k] += static_cast<float>(lagged * std::sin(th));
      }
    }
    float principal = 0.0f;
    const std::vector<float> d =
        velocity_directions(s.eta, s.u, s.v, f, BandIndices{10, 100}, 85.0f, principal, GaugeSeparation{dx, dy, depth});
    EXPECT_NEAR(principal, th_deg, 1.0f) << dx << " " << dy;
    for (int j : {25, 40, 55}) EXPECT_NEAR(d[j], th_deg, 1.0f) << dx << " " << dy << " component " << j;
    // A band of one component, the last of the band included: for the first case its phase over
    // the separation passes half a period, which reverses it unless its own wavenumber is used.
    const std::vector<float> one =
        velocity_directions(s.eta, s.u, s.v, f, BandIndices{40, 40}, 85.0f, principal, GaugeSeparation{dx, dy, depth});
    EXPECT_NEAR(one[40], th_deg, 1.0f) << dx << " " << dy;
  }
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
  WavemakerSet set = b.read(series_files(eta, uv));
  const Wavemaker& w = set.wavemakers.front();
  EXPECT_EQ(std::make_pair(w.dsf_option, w.signal.npoints), std::make_pair(2, 10));
  EXPECT_NEAR(w.direction, 20.0f, 0.5f);
  float differ = 0.0f;
  for (int n = 1; n <= w.signal.nsteps; ++n) differ = std::max(differ, std::fabs(w.signal.u(n, 1) - w.signal.u(n, 10)));
  EXPECT_GT(differ, 0.001f);
  // u and v in files of their own (one column per probe, the first read) act as one uv file.
  write(30.0f);
  const std::vector<float> other(512, 0.3f);
  write_series(dir.path("u.ts"), 0.25f, {s.u, other});
  write_series(dir.path("v.ts"), 0.25f, {s.v, other});
  const WavemakerSet one = b.read(series_files(eta, uv)),
                     two = b.read(series_files(eta, dir.path("u.ts"), dir.path("v.ts")));
  EXPECT_NEAR(two.wavemakers.front().direction, 30.0f, 0.5f);
  EXPECT_EQ(two.wavemakers.front().signal.U, one.wavemakers.front().signal.U);
  EXPECT_EQ(two.wavemakers.front().signal.Q, one.wavemakers.front().signal.Q);
  write(180.0f);  // travelling west: not from the west side
  EXPECT_EQ(b.refused(series_files(eta, uv)),
            (Lines{"principal wave direction cannot be", "generated along specified boundary", " "}));
}

TEST(FileSignals, DirectionalSpectrumFileIsSynthesisedComponentByComponent) {
  // 50 frequencies 0.02 .. 1 Hz, 5 directions by 10 deg from min_wave_dir, all energy in the middle.
  test::ScratchDir dir;
  Basin b;
  auto write = [&](const std::string& name, float min_dir) {
    std::ofstream out(dir.path(name));
    out << "# directional spectrum\n:freq_interval 0.02\n:dir_spacing 10\n:initial_freq 0.02\n:min_wave_dir " << min_dir
        << "\n:nfrequencies 50\n:ndirections 5\n:n_arrays 1\n:EndHeader\n";
    for (int m = 1; m <= 5; ++m)
      for (int k = 1; k <= 50; ++k) {
        const float f = 0.02f * k;
        out << (m == 3 ? 0.002f / std::pow(f, 5.0f) * std::exp(-1.25f * std::pow(0.125f / f, 4.0f)) : 0.0f) << '\n';
      }
    return cat(block(cat(kWest, kv("wave_type=irreg_multi time_series_option=synthesize wave_spec_option=file "
                                   "wave_period_min=2 wave_period_max=40 rescale_spectrum=no random_number_seed=11 "
                                   "time_series_duration=102.4 dir_spec_file=" +
                                   dir.path(name)))),
               run(0.1, 200));
  };
  EXPECT_EQ(b.refused(write("east.dws", 50.0f)), (Lines{"principal direction of input directional spectrum",
                                                        "cannot be generated along specified boundary", " "}));
  // All energy from 270 (principal 70 above): long-crested waves normal to the line, one signal.
  WavemakerSet set = b.read(write("west.dws", 250.0f));
  const BoundarySignal& s = set.wavemakers.front().signal;
  ASSERT_EQ(std::make_pair(s.npoints, s.nsteps), std::make_pair(10, 1025));
  float peak = 0.0f;
  for (int n = 1; n <= s.nsteps; ++n) {
    peak = std::max(peak, std::fabs(s.u(n, 1)));
    ASSERT_NEAR(s.u(n, 10), s.u(n, 1), 1e-6f);
  }
  EXPECT_GT(peak, 0.01f);
}

constexpr double kPiD = 3.14159265358979323846;
double model_wavelength(double T, double h) { return 2.0 * kPiD / model_wavenumber(2.0 * kPiD / T, h); }

// kh = 0.5, 1, 2 from each side of a channel (25 cells a wavelength, 2 of 6 wavelengths absorbing): 1 to 3
// wavelengths out, over the last 2 of 12 periods, height within 5 % and wavelength within 2 % of the model's.
TEST(GenerationPhysics, RegularWavesFromEverySideKeepHeightAndWavelength) {
  const float h = 1.0f;
  const int along = 150, steps = 600;
  for (float kh : {0.5f, 1.0f, 2.0f})
    for (int side = 1; side <= 4; ++side) {
      SCOPED_TRACE("kh " + num(kh) + " side " + std::to_string(side));
      const float T = kTwoPi / std::sqrt(kGravity * kh / h * std::tanh(kh)), dt = T / 50.0f;
      const double L = model_wavelength(T, h);
      const float ds = static_cast<float>(L / 25.0);
      const bool column = side == 2 || side == 4;
      const int nx = column ? along : 3, ny = column ? 3 : along, far = (side + 1) % 4 + 1;
      Basin b(nx, ny, ds, h, far, static_cast<float>(2 * L), 3.0f / T);
      const int i0 = side == 2 ? nx : 1, j0 = side == 1 ? ny : 1;  // the wavemaker's line
      const Entries keys = cat(regular(line(i0, column ? i0 : nx, j0, column ? ny : j0), num(90.0f * (side - 1)), "200",
                                       "wave_height=0.02 wave_period=" + num(T)),
                               run(dt, 1000));
      // Cell s cells out along the middle line.
      auto at = [&](const Model& m, int s) {
        return column ? m.flow.eta_old(side == 4 ? 1 + s : nx - s, 2) : m.flow.eta_old(2, side == 3 ? 1 + s : ny - s);
      };
      std::vector<float> hi(along, -1e9f), lo(along, 1e9f), last(along, 0.0f);
      b.simulate(keys, dt, 1, steps, [&](const Model& m, int n) {
        if (n <= steps - 100) return;
        for (int s = 0; s < along; ++s) {
          last[s] = at(m, s);
          hi[s] = std::max(hi[s], last[s]);
          lo[s] = std::min(lo[s], last[s]);
        }
      });
      const Wavemaker& w = b.set.wavemakers.front();
      EXPECT_EQ(w.linear_flag, 0);  // full side, normal, uniform depth: permanent form
      for (int s = 25; s <= 75; ++s) EXPECT_NEAR(hi[s] - lo[s], w.height, 0.05f * w.height) << "at " << s;
      std::vector<double> cross;  // up-crossings in space, short of the absorbing layer
      for (int s = 10; s < 95; ++s)
        if (last[s] < 0.0f && last[s + 1] >= 0.0f) cross.push_back(s + last[s] / (last[s] - last[s + 1]));
      ASSERT_GE(cross.size(), 3u);
      const double expected = model_wavelength(w.period, h);
      EXPECT_NEAR((cross.back() - cross.front()) / (cross.size() - 1) * ds, expected, 0.02 * expected);
    }
}

// A regular wave sent at 30 deg crosses the middle at 30 +/- 2 deg: the plane wave best fitting its harmonic over
// two wavelengths (the local phase gradient wanders with corner diffraction and wall reflections).
TEST(GenerationPhysics, ObliqueWavesKeepTheirDirection) {
  const float h = 1.0f, kh = 1.0f, T = kTwoPi / std::sqrt(kGravity * kh / h * std::tanh(kh)), dt = T / 32.0f;
  const double L = model_wavelength(T, h), k = 2.0 * kPiD / L;
  const float ds = static_cast<float>(L / 16.0);
  const int nx = 96, ny = 80, steps = 384, ic = 33, jc = 41, half = 16, side = 2 * half + 1;
  Basin b(nx, ny, ds, h, 2, static_cast<float>(1.5 * L), 3.0f / T);
  std::vector<std::complex<double>> a(side * side);
  auto cell = [&](int di, int dj) -> std::complex<double>& { return a[(dj + half) * side + di + half]; };
  const Entries keys =
      cat(regular(line(1, 1, 1, ny), "240", "200", "wave_height=0.02 wave_period=" + num(T)), run(dt, 1000));
  b.simulate(keys, dt, 1, steps, [&](const Model& m, int n) {
    if (n <= steps - 64) return;
    const std::complex<double> e = std::polar(1.0, -2.0 * kPiD * n / 32.0);
    for (int dj = -half; dj <= half; ++dj)
      for (int di = -half; di <= half; ++di) cell(di, dj) += e * double(m.flow.eta_old(ic + di, jc + dj));
  });
  EXPECT_EQ(b.set.wavemakers.front().linear_flag, 1);
  // The harmonic of exp(i (k.x - omega t)) carries exp(-i k.x): maximise |sum a exp(i k.x)|.
  double best = -1.0, theta = 0.0;
  for (int q = 0; q <= 1800; ++q) {
    const double th = q * 0.05 * kPiD / 180.0;
    std::complex<double> sum = 0.0;
    for (int dj = -half; dj <= half; ++dj)
      for (int di = -half; di <= half; ++di)
        sum += cell(di, dj) * std::polar(1.0, k * (std::cos(th) * di + std::sin(th) * dj) * ds);
    if (std::abs(sum) > best) best = std::abs(sum), theta = q * 0.05;
  }
  EXPECT_NEAR(theta, 30.0, 2.0);
}

// JONSWAP sea (H_s 0.04 m, T_p 2 s), 10 m out over one signal: H_m0 within 10 %, smoothed peak within 5 %.
TEST(GenerationPhysics, IrregularSeaKeepsHeightAndPeakPeriod) {
  const float dt = 0.05f;
  const int n_signal = 4096, spin_up = 400;
  Basin b(150, 3, 0.2f, 1.0f, 2, 10.0f, 3.0f);
  const Entries keys =
      cat(irregular("synthesize", "4242", "204.75",
                    "sig_wave_height=0.04 peak_wave_period=2 wave_period_min=1 wave_period_max=10", line(1, 1, 1, 3)),
          run(dt, 1000));
  std::vector<float> x;
  b.simulate(keys, dt, 1, spin_up + n_signal, [&](const Model& m, int n) {
    if (n > spin_up) x.push_back(m.flow.eta_old(51, 2));  // x = 10 m
  });
  ASSERT_EQ(b.set.signal_steps, n_signal);  // int(204.75 / 0.05 + 1.5)
  double mean = 0.0, var = 0.0;
  for (float e : x) mean += e / double(n_signal);
  for (float e : x) var += (e - mean) * (e - mean) / n_signal;
  EXPECT_NEAR(4.0 * std::sqrt(var), 0.04, 0.004);
  x.resize(n_signal + 2, 0.0f);
  forward_real_fft(x, n_signal);
  auto power = [&](int j) { return x[2 * j] * x[2 * j] + x[2 * j + 1] * x[2 * j + 1]; };
  int peak = 0;
  double best = -1.0;
  for (int j = 4; j < n_signal / 2 - 4; ++j) {
    double s = 0.0;
    for (int q = -3; q <= 3; ++q) s += power(j + q);
    if (s > best) best = s, peak = j;
  }
  EXPECT_NEAR(n_signal * dt / peak, 2.0, 0.1);
}

// Solitary wave H/h = 0.1, "strong" option: over 30 depths at sqrt(g (h + H)) within 2 %, height within 5 %.
TEST(GenerationPhysics, SolitaryWaveKeepsSpeedAndHeight) {
  const float h = 1.0f, H = 0.1f, dx = 0.1f, dt = 0.02f;
  const int steps = 1300, p1 = 101, p2 = 401;  // x = 10 m and 40 m
  Basin b(600, 3, dx, h, 2, 8.0f, 2.0f);
  const Entries keys = cat(block(cat(line(1, 1, 1, 3), kv("wave_type=solitary wave_height=0.1 wave_direction=270 "
                                                          "time_series_option=synthesize"))),
                           run(dt, steps * dt));
  std::vector<float> s1(steps + 2, 0.0f), s2(steps + 2, 0.0f);
  b.simulate(keys, dt, 2, steps, [&](const Model& m, int n) {
    s1[n] = m.flow.eta_old(p1, 2);
    s2[n] = m.flow.eta_old(p2, 2);
  });
  ASSERT_EQ(b.set.signal_steps, steps + 1);  // the whole simulation: int(duration / dt + 1)
  const int n1 = std::max_element(s1.begin(), s1.end()) - s1.begin(),
            n2 = std::max_element(s2.begin(), s2.end()) - s2.begin();
  ASSERT_GT(n2, n1);
  ASSERT_LT(n2, steps);
  // Crest times by a parabola through the largest sample and its neighbours.
  auto crest = [](const std::vector<float>& s, int n) {
    return n + 0.5 * (s[n - 1] - s[n + 1]) / (s[n - 1] - 2.0 * s[n] + s[n + 1]);
  };
  const double speed = (p2 - p1) * dx / ((crest(s2, n2) - crest(s1, n1)) * dt),
               expected = std::sqrt(kGravity * (h + H));
  EXPECT_NEAR(speed, expected, 0.02 * expected);
  EXPECT_NEAR(s1[n1], H, 0.05f * H);
  EXPECT_NEAR(s2[n2], s1[n1], 0.05f * s1[n1]);
}

}  // namespace
}  // namespace swx
