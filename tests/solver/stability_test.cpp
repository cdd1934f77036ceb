// The line solver of the momentum rows, the Courant check and instability reporting.
#include "solver/stability.hpp"

#include "core/fatal.hpp"
#include "solver/model_setup.hpp"
#include "solver/tridiagonal.hpp"
#include "solver_test_support.hpp"

namespace swx {
namespace {

// Rows 1..4 of [2 -1 0 0; -1 2 -1 0; 0 -1 2 -1; 0 0 -1 2] x = [1 0 0 1]: x = (1, 1, 1, 1)
// (every inner row sums to 0, the end rows to 1).  A work vector left dirty by an earlier
// call gives the same bits.  Identity rows hold their right-hand side; a value below 1e-37 in
// magnitude is flushed to 0.
TEST(Tridiagonal, SolvesIgnoresStaleWorkAndFlushesTinyValues) {
  const std::vector<float> sub{0, 0, -1, -1, -1}, dia{0, 2, 2, 2, 2}, sup{0, -1, -1, -1, 0}, rhs{0, 1, 0, 0, 1};
  std::vector<float> x(5, 0.0f), w(5, 0.0f), x2(5, 0.0f), w2(5, 123.0f);
  solve_tridiagonal(sub.data(), dia.data(), sup.data(), rhs.data(), x.data(), 4, w.data());
  for (int k = 1; k <= 4; ++k) EXPECT_NEAR(x[static_cast<std::size_t>(k)], 1.0f, 1e-6f);
  solve_tridiagonal(sub.data(), dia.data(), sup.data(), rhs.data(), x2.data(), 4, w2.data());
  EXPECT_EQ(x, x2);
  const std::vector<float> zero(4, 0.0f), one{0, 1, 1, 1}, rhs3{0, 0.25f, 1e-38f, -3.0f};
  std::vector<float> x3(4, 9.0f), w3(4);
  solve_tridiagonal(zero.data(), one.data(), zero.data(), rhs3.data(), x3.data(), 3, w3.data());
  EXPECT_EQ(std::vector<float>(x3.begin() + 1, x3.end()), (std::vector<float>{0.25f, 0.0f, -3.0f}));
}

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

// Cr = sqrt((1/dx^2 + 1/dy^2) c^2 dt^2): dx = dy = 1, dt = 0.1: c = 7.0 gives sqrt(0.98) =
// 0.98995, c = 7.1 gives sqrt(1.0082) = 1.0041.
TEST(Courant, NumberAndLimit) {
  EXPECT_NEAR(courant_number(7.0f, 1.0f, 1.0f, 0.1f), 0.98995f, 1e-5f);
  EXPECT_NEAR(courant_number(7.1f, 1.0f, 1.0f, 0.1f), 1.0041f, 1e-4f);
  // Deep water: c = g T / (2 pi) = 9.81 * 4 / 6.283185 = 6.2453; shallow: sqrt(g h).
  EXPECT_NEAR(linear_celerity(4.0f, 1000.0f), 6.2453f, 1e-3f);
  EXPECT_NEAR(linear_celerity(200.0f, 1.0f), std::sqrt(9.81f), 1e-3f);
  EXPECT_EQ(linear_celerity(8.0f, 0.0f), 0.0f);

  Model m;
  m.config.dx = m.config.dy = 1.0f;
  m.config.dt = 0.1f;
  m.config.mean_period = 8.0f;
  // T = 8 s, h = 2 m: omega = 0.785398, x tanh x = omega^2 h / g = 0.125664 gives x = 0.36208,
  // c = omega h / x = 4.3383 m/s and Cr = sqrt(2) * 4.3383 * 0.1 = 0.6135.
  m.config.max_depth = 2.0f;
  test::Quiet q;
  check_courant(m, q.reporter);
  EXPECT_EQ(q.log.str(), " Courant Number =    0.61\n");
  EXPECT_EQ(q.console.str(), q.log.str());
  m.config.max_depth = 0.0f;  // dry deepest cell: Cr = 0
  check_courant(m, q.reporter);
  m.config.dt = 1.0f;
  m.config.max_depth = 4.0f;
  try {
    check_courant(m, q.reporter);
    FAIL() << "no fatal error";
  } catch (const FatalError& e) {
    EXPECT_EQ(e.line1, "Courant Number has to be less than 1.0");
  }
}

// A level over the limit in one cell at step 1 and a NaN in another: one "initial instability
// problems" line (and the flag that has the driver write the level grid), one "numerical
// instability" line per cell and step; a level of exactly 10000 and dry cells are left alone.
TEST(Instability, ReportedOnceLoggedPerCell) {
  const int nx = 4, ny = 3;
  test::Sim sim(test::flat_depth(nx, ny, 2.0f), nx, ny, 1.0f, 1.0f, SolverOptions{});
  Model& m = sim.m;
  const test::Quiet& q = sim.q;
  m.bed.depth(4, 3) = -30000.0f;
  EXPECT_FALSE(m.flow.instability_reported);
  for (int step = 1; step <= 2; ++step) {
    m.flow.eta_new.fill(0.0f);
    m.flow.eta_new(2, 1) = 10000.01f;
    m.flow.eta_new(3, 2) = std::numeric_limits<float>::quiet_NaN();
    m.flow.eta_new(1, 3) = 10000.0f;
    m.flow.eta_new(4, 3) = 20000.0f;  // total depth -10000: dry, never tested
    EXPECT_EQ(check_instability(m, sim.q.reporter), 2);
    EXPECT_TRUE(m.flow.instability_reported);
  }
  EXPECT_EQ(q.console.str(), " initial instability problems at i = 2 J = 1\n");
  EXPECT_EQ(count_of(q.log.str(), " numerical instability at i = 2 J = 1\n"), 2);
  EXPECT_EQ(count_of(q.log.str(), " numerical instability at i = 3 J = 2\n"), 2);
  EXPECT_EQ(count_of(q.log.str(), "numerical instability"), 4);
}

}  // namespace
}  // namespace swx
