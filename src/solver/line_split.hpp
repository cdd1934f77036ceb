#pragma once
// Sharing the independent lines of a sweep between ranks and threads.  The x-lines (rows j) of
// a pass are independent of each other, so are the y-lines (columns i) and the cell updates of a
// row; a sweep over a range [first, last] of lines gives the same bits whoever runs it.  A
// rank takes a contiguous part of the lines, each of its threads a contiguous part of that.
#include <algorithm>

#ifdef _OPENMP
#include <omp.h>
#endif

namespace swx {

struct LineRange {
  int first = 1, last = 0;  // empty when last < first
};

// Part `part` (0-based) of `parts` nearly equal contiguous parts of [first, last]; the first
// n % parts parts take one line more.
inline LineRange split_lines(int first, int last, int parts, int part) {
  const int n = std::max(last - first + 1, 0);
  const int base = n / parts, extra = n % parts;
  const int start = first + part * base + std::min(part, extra);
  return {start, start + base + (part < extra ? 1 : 0) - 1};
}

// The calling thread's part of r inside a parallel region (the whole of r outside one).
inline LineRange thread_lines(LineRange r) {
#ifdef _OPENMP
  return split_lines(r.first, r.last, omp_get_num_threads(), omp_get_thread_num());
#else
  return r;
#endif
}

}  // namespace swx
