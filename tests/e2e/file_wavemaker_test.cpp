// End-to-end: wavemakers driven by files.  A sea recorded at a probe by one run drives a second
// run through the probe files themselves (elevation, and the two velocity files for the
// direction), a directional spectrum file drives a multidirectional wavemaker, and files that
// do not agree between wavemakers stop the run with their boxes.  The seas are small laboratory
// seas (0.5 m of water, peak period about 1.5 s) in a basin of 0.2 m cells, so that each run
// takes a few seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cases.hpp"
#include "core/fatal.hpp"
#include "run_case.hpp"

namespace swx::e2e {
namespace {

using test::box_text;

constexpr double kPiD = 3.14159265358979323846;
constexpr float kStep = 0.05f;  // s, model time step of every run here

// ---------------------------------------------------------------------------------------------
// Basin: flat bottom 0.5 m deep, cells of 0.2 m, a wavemaker along the whole west side.  An
// absorbing layer 3 m wide lines the east side and, for basins wider than a channel, the north
// and south sides, where oblique waves leave the basin.

struct Basin {
  int nx = 45;   // 9 m
  int ny = 150;  // 30 m
  float dx = 0.2f;
  int layer = 15;  // cells across each absorbing layer (3 m)
  bool side_layers = true;
};

constexpr double kLayerMax = 3.0;  // 1/s at the outer edge, growing quadratically inwards from 0

std::string grid_file(const Basin& b, const std::function<double(int, int)>& value) {
  std::ostringstream s;
  s << "# SWELLIX Scalar Grid File\n:N_Arrays 1\n:NGrid_X " << b.nx << "\n:NGrid_Y " << b.ny << "\n:Delta_X " << b.dx
    << "\n:Delta_Y " << b.dx << "\n:X_Origin 0.0\n:Y_Origin 0.0\n:EndHeader\n";
  for (int j = 1; j <= b.ny; ++j) {
    for (int i = 1; i <= b.nx; ++i) s << ' ' << value(i, j);
    s << '\n';
  }
  return s.str();
}

// Damping of the cell `inside` cells into a layer of `width` cells (<= 0: outside it).
double layer(int inside, int width) {
  if (inside <= 0) return 0.0;
  const double r = static_cast<double>(inside) / width;
  return kLayerMax * r * r;
}

void write_basin(const CaseDir& c, const Basin& b) {
  c.write("bathy.grd", grid_file(b, [](int, int) { return -0.5; }));
  c.write("damp.grd", grid_file(b, [&b](int i, int j) {
            double d = layer(i - (b.nx - b.layer), b.layer);
            if (b.side_layers) d = std::max({d, layer(b.layer + 1 - j, b.layer), layer(j - (b.ny - b.layer), b.layer)});
            return d;
          }));
}

struct Probe {
  double x, y;  // m, on grid nodes
};

// The wavemaker block along the west side, the run keys and the probe blocks; the probes
// record elevation and velocities into <prefix>_eta.ts, <prefix>_u.ts and <prefix>_v.ts.
std::string run_parameters(const std::string& prefix, const Basin& b, const std::string& wavemaker, double duration,
                           const std::vector<Probe>& probes) {
  std::ostringstream s;
  s << ":output_file_prefix " << prefix << "\n:bathy_file bathy.grd\n:tidal_offset 0.0\n:damping_file damp.grd\n"
    << ":start_wavemaker\n  :wm_pos_i1 1\n  :wm_pos_i2 1\n  :wm_pos_j1 1\n  :wm_pos_j2 " << b.ny << "\n"
    << wavemaker << ":end_wavemaker\n"
    << ":time_step " << kStep << "\n:duration " << duration
    << "\n:nonlinear_option weak\n:check_wave_breaking no\n:chezy_coeff 1000\n"
    << ":ts_eta_file " << prefix << "_eta.ts\n:ts_u_file " << prefix << "_u.ts\n:ts_v_file " << prefix << "_v.ts\n";
  for (std::size_t p = 0; p < probes.size(); ++p)
    s << ":save_timeseries\n  :probe_id p" << p + 1 << "\n  :ts_x " << probes[p].x << "\n  :ts_y " << probes[p].y
      << "\n  :save_ts_eta yes\n  :save_ts_uv yes\n  :ts_z_uv 0.25\n  :save_ts_pressure no\n:end_save_timeseries\n";
  return s.str();
}

// ---------------------------------------------------------------------------------------------
// Probe records and their analysis.

// The value columns of a time series file (one per probe) and its time step.
struct Series {
  double dt = 0.0;
  std::vector<std::vector<double>> columns;
};

Series read_series(const CaseDir& c, const std::string& name) {
  Series s;
  const std::string text = c.read(name);
  const std::size_t at = text.find(":EndHeader\n");
  if (at == std::string::npos) {
    ADD_FAILURE() << "no header end in " << name;
    return s;
  }
  std::vector<double> times;
  std::istringstream data(text.substr(at + 11));
  for (std::string line; std::getline(data, line);) {
    std::istringstream fields(line);
    double t = 0.0;
    if (!(fields >> t)) continue;
    times.push_back(t);
    std::size_t m = 0;
    for (double v; fields >> v; ++m) {
      if (s.columns.size() <= m) s.columns.emplace_back();
      s.columns[m].push_back(v);
    }
  }
  if (times.size() > 1) s.dt = times[1] - times[0];
  return s;
}

struct Records {
  Series eta, u, v;
};

Records read_records(const CaseDir& c, const std::string& prefix) {
  return {read_series(c, prefix + "_eta.ts"), read_series(c, prefix + "_u.ts"), read_series(c, prefix + "_v.ts")};
}

// Spectra of one probe's record from t0 on, over the band of the generated waves.
struct ProbeSpectra {
  std::vector<double> f;       // Hz
  std::vector<double> S;       // m^2/Hz, surface elevation
  std::vector<double> Cu, Cv;  // co-spectra of elevation with u and with v
  double df = 0.0;
  double m0() const {
    double m = 0.0;
    for (double s : S) m += s * df;
    return m;
  }
  double hm0() const { return 4.0 * std::sqrt(m0()); }
  // Mean direction of travel (degrees from the x axis): in a progressive wave the velocity is
  // in phase with the elevation along the direction of travel, so the co-spectra with u and v
  // point along it.
  double mean_direction() const {
    double cu = 0.0, cv = 0.0;
    for (std::size_t j = 0; j < f.size(); ++j) {
      cu += Cu[j];
      cv += Cv[j];
    }
    return std::atan2(cv, cu) * 180.0 / kPiD;
  }
};

constexpr double kBandLow = 0.25, kBandHigh = 1.25;  // Hz

std::vector<std::complex<double>> fourier(const std::vector<double>& x, std::size_t k0, double dt, double df,
                                          std::size_t j0, std::size_t j1) {
  const std::size_t n = x.size() - k0;
  double mean = 0.0;
  for (std::size_t k = k0; k < x.size(); ++k) mean += x[k];
  mean /= static_cast<double>(n);
  std::vector<std::complex<double>> c;
  for (std::size_t j = j0; j <= j1; ++j) {
    const double w = 2.0 * kPiD * static_cast<double>(j) * df * dt;
    const std::complex<double> step = std::polar(1.0, -w);
    std::complex<double> rot = 1.0, sum = 0.0;
    for (std::size_t k = k0; k < x.size(); ++k) {
      sum += (x[k] - mean) * rot;
      rot *= step;
    }
    c.push_back(sum);
  }
  return c;
}

ProbeSpectra spectra(const Records& r, std::size_t probe, double t0) {
  ProbeSpectra s;
  const double dt = r.eta.dt;
  const std::vector<double>& eta = r.eta.columns.at(probe);
  const std::size_t k0 = static_cast<std::size_t>(t0 / dt + 0.5);
  const std::size_t n = eta.size() - k0;
  s.df = 1.0 / (static_cast<double>(n) * dt);
  const std::size_t j0 = static_cast<std::size_t>(std::ceil(kBandLow / s.df));
  const std::size_t j1 = static_cast<std::size_t>(kBandHigh / s.df);
  const auto e = fourier(eta, k0, dt, s.df, j0, j1);
  const auto u = fourier(r.u.columns.at(probe), k0, dt, s.df, j0, j1);
  const auto v = fourier(r.v.columns.at(probe), k0, dt, s.df, j0, j1);
  const double scale = 2.0 * dt / static_cast<double>(n);  // one-sided density
  for (std::size_t j = 0; j < e.size(); ++j) {
    s.f.push_back(static_cast<double>(j0 + j) * s.df);
    s.S.push_back(scale * std::norm(e[j]));
    s.Cu.push_back(scale * (e[j] * std::conj(u[j])).real());
    s.Cv.push_back(scale * (e[j] * std::conj(v[j])).real());
  }
  return s;
}

// The probes' spectra summed and divided by their number.
ProbeSpectra averaged(const std::vector<ProbeSpectra>& all) {
  ProbeSpectra a = all.front();
  for (std::size_t p = 1; p < all.size(); ++p)
    for (std::size_t j = 0; j < a.f.size(); ++j) {
      a.S[j] += all[p].S[j];
      a.Cu[j] += all[p].Cu[j];
      a.Cv[j] += all[p].Cv[j];
    }
  for (std::size_t j = 0; j < a.f.size(); ++j) {
    a.S[j] /= static_cast<double>(all.size());
    a.Cu[j] /= static_cast<double>(all.size());
    a.Cv[j] /= static_cast<double>(all.size());
  }
  return a;
}

// Peak period from the spectrum weighted by the fourth power of its density: the frequency at
// the centre of the peak, which does not jump from bin to bin with the scatter of a measured
// spectrum (for a JONSWAP peak with gamma 3.3 it lies 1 % above the peak frequency).
double peak_period(const ProbeSpectra& s) {
  double num = 0.0, den = 0.0;
  for (std::size_t j = 0; j < s.f.size(); ++j) {
    const double w = std::pow(s.S[j], 4.0);
    num += w;
    den += w * s.f[j];
  }
  return num / den;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b, std::size_t k0) {
  double ma = 0.0, mb = 0.0;
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t k = k0; k < n; ++k) {
    ma += a[k];
    mb += b[k];
  }
  ma /= static_cast<double>(n - k0);
  mb /= static_cast<double>(n - k0);
  double ab = 0.0, aa = 0.0, bb = 0.0;
  for (std::size_t k = k0; k < n; ++k) {
    ab += (a[k] - ma) * (b[k] - mb);
    aa += (a[k] - ma) * (a[k] - ma);
    bb += (b[k] - mb) * (b[k] - mb);
  }
  return ab / std::sqrt(aa * bb);
}

void expect_clean_run(const RunResult& r, const std::string& what) {
  EXPECT_EQ(r.status, 0) << what;
  EXPECT_EQ(r.console.find("Fatal"), std::string::npos) << what << ":\n" << r.console;
  EXPECT_EQ(r.console.find("nstab"), std::string::npos) << what << ":\n" << r.console;
}

// The console ends with the fatal box of the given lines.
void expect_ends_with_box(const RunResult& r, std::string_view l1, std::string_view l2) {
  EXPECT_EQ(r.status, 0);
  const std::string box = box_text(kFatalTitle, l1, l2);
  ASSERT_GE(r.console.size(), box.size()) << r.console;
  EXPECT_EQ(r.console.substr(r.console.size() - box.size()), box) << r.console;
}

// Parametric JONSWAP keys: significant height 4 cm, peak period 1.5 s.
const std::string kJonswap =
    "  :wave_spec_option parameter\n  :spectral_type jonswap\n  :jonswap_option hs\n  :sig_wave_height 0.04\n"
    "  :peak_wave_period 1.5\n  :gamma 3.3\n";
// The band sent in by every wavemaker here (the shortest waves are 1.2 m long at the 0.5 m depth).
const std::string kBand = "  :wave_period_min 0.9\n  :wave_period_max 4.0\n";

// ---------------------------------------------------------------------------------------------

TEST(FileWavemaker, MultidirectionalSeaRecordedAtAProbeIsReproducedByASecondRun) {
  // Run 1: a JONSWAP sea from 245 degrees (travelling 25 degrees off the x axis) with a
  // wrapped-normal spread of 10 degrees; probe 1 records the sea 1.6 m off the wavemaker.
  // Run 2 is driven by run 1's probe files as they were written: elevation from the first
  // column of the elevation file, direction from the first columns of the u and v files.
  // Downstream the two seas differ in the phases of their components (run 2 gives each
  // component the mean direction of its neighbours in the record, run 1 a random one of its
  // own), not in their energy or mean direction.
  CaseDir c("file_wm_multi");
  const Basin b{45, 90, 0.2f, 15, true};
  write_basin(c, b);
  const Probe ref{1.6, 8.0};
  const std::vector<Probe> probes = {ref,        {3.0, 7.0}, {3.0, 9.0},  {3.0, 11.0},
                                     {4.6, 7.0}, {4.6, 9.0}, {4.6, 11.0}, {4.6, 13.0}};
  const double duration = 100.0;
  const std::string sea = "  :wave_type irreg_multi\n  :time_series_option synthesize\n" + kJonswap +
                          "  :directional_distribution wrapped_normal\n  :prin_wave_direction 245\n"
                          "  :standard_deviation 10\n  :max_cutoff_angle 20\n" +
                          kBand + "  :rescale_spectrum no\n  :random_number_seed 4321\n  :time_series_duration 100\n";
  c.write("sea.par", run_parameters("sea", b, sea, duration, probes));
  expect_clean_run(c.run({"sea"}), "run 1");

  std::ostringstream replay;
  replay << "  :wave_type irreg_multi\n  :time_series_option file\n  :input_ts_eta_file sea_eta.ts\n"
         << "  :xref_eta " << ref.x << "\n  :yref_eta " << ref.y << "\n  :wave_dsf_option file\n"
         << "  :input_ts_uv_file sea_u.ts\n  :input_ts_v_file sea_v.ts\n  :xref_uv " << ref.x << "\n  :yref_uv "
         << ref.y << "\n  :max_cutoff_angle 30\n"
         << kBand;
  c.write("replay.par", run_parameters("replay", b, replay.str(), duration, probes));
  expect_clean_run(c.run({"replay"}), "run 2");

  const Records r1 = read_records(c, "sea"), r2 = read_records(c, "replay");
  ASSERT_EQ(r1.eta.columns.size(), probes.size());
  ASSERT_EQ(r2.eta.columns.size(), probes.size());
  ASSERT_EQ(r2.v.columns.at(0).size(), r1.v.columns.at(0).size());
  // After the slowest generated waves (0.7 m/s) have crossed the basin to the far probes.
  const double t0 = 8.0;
  // At the recording point the second run replays the record itself.
  EXPECT_GT(correlation(r1.eta.columns[0], r2.eta.columns[0], static_cast<std::size_t>(t0 / kStep)), 0.9);
  for (std::size_t p = 1; p < probes.size(); ++p) {
    const ProbeSpectra s1 = spectra(r1, p, t0), s2 = spectra(r2, p, t0);
    SCOPED_TRACE("probe at x = " + std::to_string(probes[p].x) + ", y = " + std::to_string(probes[p].y));
    EXPECT_NEAR(s1.mean_direction(), 25.0, 5.0);  // run 1 made the sea it was asked for
    EXPECT_NEAR(s2.hm0() / s1.hm0(), 1.0, 0.10);
    EXPECT_NEAR(s2.mean_direction(), s1.mean_direction(), 5.0);
  }
}

TEST(FileWavemaker, UnidirectionalSeaFromAnElevationRecordFollowsTheRecordedWaves) {
  // A channel 12 m long: run 1 synthesises a JONSWAP sea (Tp 2 s) normal to the wavemaker and
  // probe 1 records it 1.6 m out; run 2 sends that record in and must repeat the waves of run 1
  // there and at a probe 3.2 m further on.
  CaseDir c("file_wm_uni");
  const Basin b{60, 3, 0.2f, 20, false};
  write_basin(c, b);
  const Probe ref{1.6, 0.2}, far{4.8, 0.2};
  const double duration = 60.0;
  const std::string band = "  :wave_period_min 1.2\n  :wave_period_max 5.0\n";
  const std::string sea =
      "  :wave_type irreg_uni\n  :time_series_option synthesize\n  :wave_spec_option parameter\n"
      "  :spectral_type jonswap\n  :jonswap_option hs\n  :sig_wave_height 0.04\n  :peak_wave_period 2.0\n"
      "  :gamma 3.3\n  :wave_direction 270\n" +
      band + "  :rescale_spectrum no\n  :random_number_seed 77\n  :time_series_duration 60\n";
  c.write("sea.par", run_parameters("sea", b, sea, duration, {ref, far}));
  expect_clean_run(c.run({"sea"}), "run 1");
  std::ostringstream replay;
  replay << "  :wave_type irreg_uni\n  :time_series_option file\n  :input_ts_eta_file sea_eta.ts\n"
         << "  :xref_eta " << ref.x << "\n  :yref_eta " << ref.y << "\n  :wave_direction 270\n"
         << band;
  c.write("replay.par", run_parameters("replay", b, replay.str(), duration, {ref, far}));
  expect_clean_run(c.run({"replay"}), "run 2");

  const Series e1 = read_series(c, "sea_eta.ts"), e2 = read_series(c, "replay_eta.ts");
  ASSERT_EQ(e1.columns.size(), 2u);
  ASSERT_EQ(e2.columns.size(), 2u);
  // After the start-up ramp of the second run (one mean period) and the travel to the far probe.
  const std::size_t k0 = static_cast<std::size_t>(6.0 / kStep);
  EXPECT_GT(correlation(e1.columns[0], e2.columns[0], k0), 0.9);
  EXPECT_GT(correlation(e1.columns[1], e2.columns[1], k0), 0.9);
}

// Directional spectrum file: JONSWAP (gamma 3.3) of significant height hs and peak period 1.6 s
// on 0.3 .. 1.5 Hz by 0.0125 Hz, spread over nine directions 5 degrees apart about the
// principal direction (nautical) by a normal law of 10 degrees.
std::string directional_spectrum_file(double hs, double principal) {
  const double f1 = 0.3, df = 0.0125, fp = 0.625;
  const int nf = 97, nd = 9;
  std::vector<double> S(nf);
  double m0 = 0.0;
  for (int k = 0; k < nf; ++k) {
    const double f = f1 + k * df, sigma = f <= fp ? 0.07 : 0.09;
    S[k] = std::pow(f, -5.0) * std::exp(-1.25 * std::pow(fp / f, 4.0)) *
           std::pow(3.3, std::exp(-(f - fp) * (f - fp) / (2.0 * sigma * sigma * fp * fp)));
    m0 += S[k] * df;
  }
  std::vector<double> D(nd);
  double sum = 0.0;
  for (int m = 0; m < nd; ++m) {
    D[m] = std::exp(-0.5 * std::pow((m - 4) * 5.0 / 10.0, 2.0));
    sum += D[m] * 5.0;
  }
  std::ostringstream s;
  s << "# directional spectrum, m^2/Hz/deg\n:freq_interval " << df << "\n:dir_spacing 5\n:initial_freq " << f1
    << "\n:min_wave_dir " << principal - 20.0 << "\n:nfrequencies " << nf << "\n:ndirections " << nd
    << "\n:n_arrays 1\n:EndHeader\n";
  s.precision(7);
  for (int m = 0; m < nd; ++m)
    for (int k = 0; k < nf; ++k) s << S[k] * (hs * hs / 16.0 / m0) * D[m] / sum << '\n';
  return s.str();
}

TEST(FileWavemaker, DirectionalSpectrumFileMakesItsSeaAndMustEnterThroughTheWavemaker) {
  // Hs 4 cm, Tp 1.6 s from 245 degrees.  A sea summed over direction bins with random phases
  // varies in height from point to point (interference of the bins at each frequency, over
  // distances of a few metres), so the sea is judged over 18 probes spread over 16 m.
  CaseDir c("file_wm_dws");
  const Basin b{45, 150, 0.2f, 15, true};
  write_basin(c, b);
  std::vector<Probe> probes;
  for (double y = 7.0; y <= 23.0; y += 2.0) {
    probes.push_back({2.0, y});
    probes.push_back({4.0, y});
  }
  c.write("sea.dws", directional_spectrum_file(0.04, 245.0));
  const std::string sea =
      "  :wave_type irreg_multi\n  :time_series_option synthesize\n  :wave_spec_option file\n"
      "  :dir_spec_file sea.dws\n" +
      kBand + "  :rescale_spectrum yes\n  :random_number_seed 99\n  :time_series_duration 100\n";
  c.write("dws.par", run_parameters("dws", b, sea, 100.0, probes));
  expect_clean_run(c.run({"dws"}), "directional spectrum run");

  const Records r = read_records(c, "dws");
  ASSERT_EQ(r.eta.columns.size(), probes.size());
  std::vector<ProbeSpectra> all;
  for (std::size_t p = 0; p < probes.size(); ++p) all.push_back(spectra(r, p, 8.0));
  const ProbeSpectra mean = averaged(all);
  EXPECT_NEAR(mean.hm0() / 0.04, 1.0, 0.10);
  EXPECT_NEAR(peak_period(mean) / 1.6, 1.0, 0.05);
  EXPECT_NEAR(mean.mean_direction(), 25.0, 5.0);

  // Waves from 90 degrees (from the east) cannot be sent in from the west side.
  c.write("east.dws", directional_spectrum_file(0.04, 90.0));
  c.write("east.par", replaced(c.read("dws.par"), "sea.dws", "east.dws"));
  expect_ends_with_box(c.run({"east"}), "principal direction of input directional spectrum",
                       "cannot be generated along specified boundary");
}

// ---------------------------------------------------------------------------------------------

// A series file of n records of step dt (time, elevation).
std::string series_file(int n, double dt) {
  std::ostringstream s;
  s << "# SWELLIX Type 2 Time Series File\n:NDataSets 2\n:NTimeSteps " << n << "\n#\n:EndHeader\n";
  for (int k = 0; k < n; ++k) s << k * dt << ' ' << 0.02 * std::sin(2.0 * kPiD * k * dt / 2.0) << '\n';
  return s.str();
}

// Two wavemakers on the 8 x 4 tiny grid: one on the west side, one on the south side.
std::string two_wavemakers(const std::string& first, const std::string& second) {
  return ":output_file_prefix two\n:bathy_file bathy.grd\n:tidal_offset 0.0\n"
         ":start_wavemaker\n  :wm_pos_i1 1\n  :wm_pos_i2 1\n  :wm_pos_j1 1\n  :wm_pos_j2 4\n" +
         first +
         ":end_wavemaker\n"
         ":start_wavemaker\n  :wm_pos_i1 1\n  :wm_pos_i2 8\n  :wm_pos_j1 1\n  :wm_pos_j2 1\n" +
         second +
         ":end_wavemaker\n"
         ":time_step 0.05\n:nonlinear_option weak\n:duration 10\n:check_wave_breaking no\n:chezy_coeff 50\n";
}

std::string from_file(const std::string& name, const std::string& direction, const std::string& ref) {
  return "  :wave_type irreg_uni\n  :time_series_option file\n  :input_ts_eta_file " + name + "\n" + ref +
         "  :wave_direction " + direction + "\n  :wave_period_min 1\n  :wave_period_max 20\n";
}

TEST(FileWavemaker, FilesThatDisagreeBetweenWavemakersStopTheRun) {
  CaseDir c("file_wm_mismatch");
  c.write("bathy.grd", flat_bathymetry());
  const std::string west_ref = "  :xref_eta 0\n  :yref_eta 1\n", south_ref = "  :xref_eta 3\n  :yref_eta 0\n";
  c.write("a.ts", series_file(200, 0.05));
  c.write("b.ts", series_file(200, 0.04));  // another time step
  c.write("c.ts", series_file(201, 0.05));  // another length
  c.write("step.par", two_wavemakers(from_file("a.ts", "270", west_ref), from_file("b.ts", "180", south_ref)));
  expect_ends_with_box(c.run({"step"}), "TimeStep and/or NTimeSteps for wave generator #2",
                       "is not equal to that for wave generator #1");
  c.write("length.par", two_wavemakers(from_file("a.ts", "270", west_ref), from_file("c.ts", "180", south_ref)));
  expect_ends_with_box(c.run({"length"}), "TimeStep and/or NTimeSteps for wave generator #2",
                       "is not equal to that for wave generator #1");
  // 10 regular waves of 2 s last 20 s; a sea from a file of 400 records of 0.05 s lasts
  // 399 * 0.05 = 19.95 s.
  c.write("d.ts", series_file(400, 0.05));
  c.write("duration.par",
          two_wavemakers("  :wave_type regular\n  :wave_height 0.05\n  :wave_period 2.0\n  :wave_direction 270\n"
                         "  :wave_cycles 10\n",
                         from_file("d.ts", "180", south_ref)));
  expect_ends_with_box(c.run({"duration"}), "time series duration for wavemaker #2",
                       "is not equal to that for wavemaker #1");
}

}  // namespace
}  // namespace swx::e2e
