// The exchanges between ranks in the serial program: one rank holds everything.
#include "solver/ranks.hpp"

namespace swx {

void exchange_halos(Model&, std::initializer_list<Halo>) {}
void receive_elimination(Model&, int, int) {}
void send_elimination(Model&, int, int) {}
void receive_solution(Model&, Field&, int, int) {}
void send_solution(Model&, const Field&, int, int) {}
void receive_row_from_below(Model&, Field&, int) {}
void send_row_above(Model&, Field&, int) {}
int gather_unstable_cells(Model&) { return 0; }
void gather_outputs(Model&, int, Model&, Model&) {}
void gather_field(Model&, Field&) {}
void gather_node_rows(Model&, Field&) {}
void gather_node_rows(Model&, Array2D<int>&) {}
int sum_over_ranks(const Model&, int x) { return x; }
void share_from_rank_zero(int*, int) {}
void place_ranks(Model&, int) {}
int rank_count() { return 1; }
void send_model(Model&) {}
void send_step(int, int) {}
void send_results_call() {}
void follow_rank_zero(const RankOutputs&) {}

}  // namespace swx
