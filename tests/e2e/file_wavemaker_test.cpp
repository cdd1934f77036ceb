// End-to-end: wavemakers driven by files (a probe's records of a first run, a directional
// spectrum); the checks of the files themselves are in wavegen_test.  Laboratory seas (0.5 m of water, peak
// period about 1.5 s) in basins of 0.2 m cells, so that each run takes a few seconds.

#include <array>
#include <complex>

#include "run_case.hpp"

namespace swx::e2e {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kStep = 0.05f;  // s, time step of every run here

// A flat basin 0.5 m deep, a wavemaker along the west side, absorbing layers `layer` cells wide
// (damping growing quadratically to 3 /s) on the east side and, unless a channel, north and south.
struct Basin {
  int nx, ny, layer;
  bool side_layers;
};

void write_basin(const CaseDir& c, const Basin& b) {
  const auto layer = [&](int inside) {
    const double r = static_cast<double>(inside) / b.layer;
    return inside <= 0 ? 0.0 : 3.0 * r * r;
  };
  c.write("bathy.grd", grid_text(b.nx, b.ny, 0.2, [](int, int) { return -0.5; }));
  c.write("damp.grd", grid_text(b.nx, b.ny, 0.2, [&](int i, int j) {
            const double d = layer(i - (b.nx - b.layer));
            return b.side_layers ? std::max({d, layer(b.layer + 1 - j), layer(j - (b.ny - b.layer))}) : d;
          }));
}

struct Probe {
  double x, y;  // m, on grid nodes
};

// The run keys; the probes record elevation and velocities into <prefix>_eta.ts, _u.ts and _v.ts.
std::string run_parameters(const std::string& prefix, const Basin& b, const std::string& wavemaker, double duration,
                           const std::vector<Probe>& probes) {
  std::ostringstream s;
  s << "output_file_prefix " << prefix << "; bathy_file bathy.grd; tidal_offset 0.0; damping_file damp.grd; "
    << "start_wavemaker; wm_pos_i1 1; wm_pos_i2 1; wm_pos_j1 1; wm_pos_j2 " << b.ny << "; " << wavemaker
    << "; end_wavemaker; time_step " << kStep << "; duration " << duration
    << "; nonlinear_option weak; check_wave_breaking no; chezy_coeff 1000; ts_eta_file " << prefix
    << "_eta.ts; ts_u_file " << prefix << "_u.ts; ts_v_file " << prefix << "_v.ts";
  for (std::size_t p = 0; p < probes.size(); ++p)
    s << "; save_timeseries; probe_id p" << p + 1 << "; ts_x " << probes[p].x << "; ts_y " << probes[p].y
      << "; save_ts_eta yes; save_ts_uv yes; ts_z_uv 0.25; save_ts_pressure no; end_save_timeseries";
  return par(s.str());
}

// The value columns of a time series file, one per probe.
std::vector<std::vector<double>> read_series(const CaseDir& c, const std::string& name) {
  std::vector<std::vector<double>> columns;
  const std::string text = c.read(name);
  const std::size_t at = text.find(":EndHeader\n");
  EXPECT_NE(at, std::string::npos) << name;
  for (const std::string& line : lines_of(at == std::string::npos ? "" : text.substr(at + 11))) {
    std::istringstream fields(line);
    double v = 0.0;
    fields >> v;  // the time
    for (std::size_t m = 0; fields >> v; ++m) {
      if (columns.size() <= m) columns.emplace_back();
      columns[m].push_back(v);
    }
  }
  return columns;
}

struct Records {
  std::vector<std::vector<double>> eta, u, v;
};

Records read_records(const CaseDir& c, const std::string& prefix) {
  return {read_series(c, prefix + "_eta.ts"), read_series(c, prefix + "_u.ts"), read_series(c, prefix + "_v.ts")};
}

// The sea at the probes from t0 on, over 0.25 .. 1.25 Hz: significant height, mean direction of
// travel (degrees from the x axis) from the co-spectra of elevation with u and v, and the peak
// period of the spectrum weighted by the fourth power of its density (steady against scatter).
struct Sea {
  double hm0, direction, peak_period;
};

Sea sea_at(const Records& r, const std::vector<std::size_t>& probes, double t0) {
  const std::size_t k0 = static_cast<std::size_t>(t0 / kStep + 0.5), n = r.eta.at(0).size() - k0;
  const double df = 1.0 / (static_cast<double>(n) * kStep);
  std::vector<std::array<std::vector<double>, 3>> records;  // elevation, u, v with their means removed
  for (std::size_t p : probes) {
    records.push_back({r.eta.at(p), r.u.at(p), r.v.at(p)});
    for (auto& x : records.back()) {
      x.erase(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(k0));
      double mean = 0.0;
      for (double value : x) mean += value / static_cast<double>(n);
      for (double& value : x) value -= mean;
    }
  }
  double m0 = 0.0, cu = 0.0, cv = 0.0, num = 0.0, den = 0.0;
  for (std::size_t j = static_cast<std::size_t>(std::ceil(0.25 / df)); j <= static_cast<std::size_t>(1.25 / df); ++j) {
    const std::complex<double> step = std::polar(1.0, -2.0 * kPi * static_cast<double>(j) * df * kStep);
    double S = 0.0;
    for (const auto& [e, u, v] : records) {
      std::complex<double> rot = 1.0, fe = 0.0, fu = 0.0, fv = 0.0;
      for (std::size_t k = 0; k < n; ++k, rot *= step) fe += e[k] * rot, fu += u[k] * rot, fv += v[k] * rot;
      S += std::norm(fe);
      cu += (fe * std::conj(fu)).real();
      cv += (fe * std::conj(fv)).real();
    }
    S *= 2.0 * kStep / static_cast<double>(n) / static_cast<double>(probes.size());  // one-sided density
    m0 += S * df;
    num += std::pow(S, 4.0);
    den += std::pow(S, 4.0) * static_cast<double>(j) * df;
  }
  return {4.0 * std::sqrt(m0), std::atan2(cv, cu) * 180.0 / kPi, num / den};
}

double correlation(const std::vector<double>& a, const std::vector<double>& b, std::size_t k0) {
  const std::size_t n = std::min(a.size(), b.size());
  double ma = 0.0, mb = 0.0, ab = 0.0, aa = 0.0, bb = 0.0;
  for (std::size_t k = k0; k < n; ++k)
    ma += a[k] / static_cast<double>(n - k0), mb += b[k] / static_cast<double>(n - k0);
  for (std::size_t k = k0; k < n; ++k)
    ab += (a[k] - ma) * (b[k] - mb), aa += (a[k] - ma) * (a[k] - ma), bb += (b[k] - mb) * (b[k] - mb);
  return ab / std::sqrt(aa * bb);
}

void expect_clean_run(const RunResult& r, const std::string& what) {
  EXPECT_EQ(r.status, 0) << what;
  EXPECT_EQ(r.console.find("Fatal"), std::string::npos) << what << ":\n" << r.console;
  EXPECT_EQ(r.console.find("nstab"), std::string::npos) << what << ":\n" << r.console;
}

const std::string kBand = "wave_period_min 0.9; wave_period_max 4.0";  // waves of 1.2 m and more

// A synthesized JONSWAP sea (Hs 4 cm, gamma 3.3) of peak period tp and a record of d seconds.
std::string jonswap(const std::string& type, double tp, int seed, int d, const std::string& rest) {
  std::ostringstream s;
  s << "wave_type " << type << "; time_series_option synthesize; wave_spec_option parameter; spectral_type jonswap; "
    << "jonswap_option hs; sig_wave_height 0.04; peak_wave_period " << tp << "; gamma 3.3; rescale_spectrum no; "
    << "random_number_seed " << seed << "; time_series_duration " << d << "; " << rest;
  return s.str();
}

// The keys of a second run replaying run 1's probe files recorded at ref.
std::string replay_keys(const std::string& type, const Probe& ref, const std::string& rest) {
  std::ostringstream s;
  s << "wave_type " << type << "; time_series_option file; input_ts_eta_file sea_eta.ts; xref_eta " << ref.x
    << "; yref_eta " << ref.y << "; " << rest;
  return s.str();
}

TEST(FileWavemaker, MultidirectionalSeaRecordedAtAProbeIsReproducedByASecondRun) {
  // Run 1: Tp 1.5 s from 245 degrees (25 degrees off the x axis), spread 10; probe 1 records it
  // 1.6 m out.  Run 2 replays probe 1's elevation, u and v: downstream the seas differ in phases only.
  CaseDir c("file_wm_multi");
  const Basin b{45, 90, 15, true};
  write_basin(c, b);
  const Probe ref{1.6, 8.0};
  const std::vector<Probe> probes = {ref,        {3.0, 7.0}, {3.0, 9.0},  {3.0, 11.0},
                                     {4.6, 7.0}, {4.6, 9.0}, {4.6, 11.0}, {4.6, 13.0}};
  const std::string sea = jonswap("irreg_multi", 1.5, 4321, 100,
                                  "directional_distribution wrapped_normal; prin_wave_direction 245; "
                                  "standard_deviation 10; max_cutoff_angle 20; " +
                                      kBand);
  c.write("sea.par", run_parameters("sea", b, sea, 100.0, probes));
  expect_clean_run(c.run({"sea"}), "run 1");
  std::ostringstream uv;
  uv << "wave_dsf_option file; input_ts_uv_file sea_u.ts; input_ts_v_file sea_v.ts; xref_uv " << ref.x << "; yref_uv "
     << ref.y << "; max_cutoff_angle 30; " << kBand;
  c.write("replay.par", run_parameters("replay", b, replay_keys("irreg_multi", ref, uv.str()), 100.0, probes));
  expect_clean_run(c.run({"replay"}), "run 2");

  const Records r1 = read_records(c, "sea"), r2 = read_records(c, "replay");
  ASSERT_TRUE(r1.eta.size() == probes.size() && r2.eta.size() == probes.size());
  ASSERT_EQ(r2.v.at(0).size(), r1.v.at(0).size());
  const double t0 = 8.0;  // the slowest waves (0.7 m/s) have crossed to the far probes
  EXPECT_GT(correlation(r1.eta[0], r2.eta[0], static_cast<std::size_t>(t0 / kStep)), 0.9);
  for (std::size_t p = 1; p < probes.size(); ++p) {
    const Sea s1 = sea_at(r1, {p}, t0), s2 = sea_at(r2, {p}, t0);
    SCOPED_TRACE("probe " + std::to_string(p + 1));
    EXPECT_NEAR(s1.direction, 25.0, 5.0);
    EXPECT_NEAR(s2.hm0 / s1.hm0, 1.0, 0.10);
    EXPECT_NEAR(s2.direction, s1.direction, 5.0);
  }
}

TEST(FileWavemaker, UnidirectionalSeaFromAnElevationRecordFollowsTheRecordedWaves) {
  // A channel 12 m long: run 1 sends Tp 2 s normal to the wavemaker, run 2 the record of probe 1
  // (1.6 m out); the waves must repeat there and 3.2 m further on.
  CaseDir c("file_wm_uni");
  const Basin b{60, 3, 20, false};
  write_basin(c, b);
  const std::vector<Probe> probes = {{1.6, 0.2}, {4.8, 0.2}};
  const std::string band = "wave_direction 270; wave_period_min 1.2; wave_period_max 5.0";
  c.write("sea.par", run_parameters("sea", b, jonswap("irreg_uni", 2.0, 77, 60, band), 60.0, probes));
  expect_clean_run(c.run({"sea"}), "run 1");
  c.write("replay.par", run_parameters("replay", b, replay_keys("irreg_uni", probes[0], band), 60.0, probes));
  expect_clean_run(c.run({"replay"}), "run 2");

  const auto e1 = read_series(c, "sea_eta.ts"), e2 = read_series(c, "replay_eta.ts");
  ASSERT_TRUE(e1.size() == 2u && e2.size() == 2u);
  const std::size_t k0 = static_cast<std::size_t>(6.0 / kStep);  // after run 2's ramp and the travel
  EXPECT_GT(correlation(e1[0], e2[0], k0), 0.9);
  EXPECT_GT(correlation(e1[1], e2[1], k0), 0.9);
}

// A directional spectrum file: JONSWAP (gamma 3.3, Tp 1.6 s) of height hs on 0.3 .. 1.5 Hz, nine
// directions 5 degrees apart about the principal one (nautical), normal spreading of 10 degrees.
std::string directional_spectrum_file(double hs, double principal) {
  const double f1 = 0.3, df = 0.0125, fp = 0.625;
  const int nf = 97, nd = 9;
  std::vector<double> S(nf), D(nd);
  double m0 = 0.0, sum = 0.0;
  for (int k = 0; k < nf; ++k) {
    const double f = f1 + k * df, sigma = f <= fp ? 0.07 : 0.09;
    S[k] = std::pow(f, -5.0) * std::exp(-1.25 * std::pow(fp / f, 4.0)) *
           std::pow(3.3, std::exp(-(f - fp) * (f - fp) / (2.0 * sigma * sigma * fp * fp)));
    m0 += S[k] * df;
  }
  for (int m = 0; m < nd; ++m) sum += (D[m] = std::exp(-0.5 * std::pow((m - 4) * 5.0 / 10.0, 2.0))) * 5.0;
  std::ostringstream s;
  s << "# directional spectrum, m^2/Hz/deg\n:freq_interval " << df << "\n:dir_spacing 5\n:initial_freq " << f1
    << "\n:min_wave_dir " << principal - 20.0 << "\n:nfrequencies " << nf << "\n:ndirections " << nd
    << "\n:n_arrays 1\n:EndHeader\n";
  s.precision(7);
  for (int m = 0; m < nd; ++m)
    for (int k = 0; k < nf; ++k) s << S[k] * (hs * hs / 16.0 / m0) * D[m] / sum << '\n';
  return s.str();
}

TEST(FileWavemaker, DirectionalSpectrumFileMakesItsSea) {
  // Hs 4 cm from 245 degrees.  Direction bins interfere, so the sea is judged over 18 probes.
  CaseDir c("file_wm_dws");
  const Basin b{45, 150, 15, true};
  write_basin(c, b);
  std::vector<Probe> probes;
  std::vector<std::size_t> all;
  for (double y = 7.0; y <= 23.0; y += 2.0)
    for (double x : {2.0, 4.0}) all.push_back(probes.size()), probes.push_back({x, y});
  c.write("sea.dws", directional_spectrum_file(0.04, 245.0));
  const std::string sea =
      "wave_type irreg_multi; time_series_option synthesize; wave_spec_option file; dir_spec_file sea.dws; "
      "rescale_spectrum yes; random_number_seed 99; time_series_duration 100; " +
      kBand;
  c.write("dws.par", run_parameters("dws", b, sea, 100.0, probes));
  expect_clean_run(c.run({"dws"}), "directional spectrum run");

  const Records r = read_records(c, "dws");
  ASSERT_EQ(r.eta.size(), probes.size());
  const Sea made = sea_at(r, all, 8.0);
  EXPECT_NEAR(made.hm0 / 0.04, 1.0, 0.10);
  EXPECT_NEAR(made.peak_period / 1.6, 1.0, 0.05);
  EXPECT_NEAR(made.direction, 25.0, 5.0);
}

}  // namespace
}  // namespace swx::e2e
