// Entry point of swellix-mpi: rank 0 runs the program as swellix does; the other ranks receive
// its model and share the sweeps of every step (solver/ranks.hpp).
#include <mpi.h>

#include "driver/run.hpp"

int main(int argc, char** argv) {
  MPI_Init(&argc, &argv);
  int rank = 0;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank);
  if (rank == 0)
    swx::run_program(argc, argv);
  else
    swx::follow_program();
  MPI_Finalize();
  return 0;
}
