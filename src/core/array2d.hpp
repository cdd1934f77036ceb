#pragma once
// Owning two-dimensional array over grid nodes and faces: one contiguous std::vector,
// column-major with i fastest, indexed from 1 so that formulas read like the equations.
#include <cassert>
#include <cstddef>
#include <vector>

namespace swx {

// A slab of the rows (swellix-mpi) holds rows j0..j0 + rows - 1 of the nj rows alone and is
// indexed as the whole array is.
template <class T>
struct Array2D {
  int ni = 0;  // extent in i (for model fields: ngrid_x + 1)
  int nj = 0;  // extent in j (for model fields: ngrid_y + 1)
  int j0 = 1;  // first row held
  std::vector<T> v;

  Array2D() = default;
  Array2D(int ni_, int nj_, T init = T{}) { resize(ni_, nj_, init); }

  void resize(int ni_, int nj_, T init = T{}) { resize_rows(ni_, nj_, 1, nj_, init); }
  // Rows j_first..j_last of an array of nj_ rows (none when j_last < j_first).
  void resize_rows(int ni_, int nj_, int j_first, int j_last, T init = T{}) {
    ni = ni_;
    nj = nj_;
    j0 = j_first;
    const int rows = j_last >= j_first ? j_last - j_first + 1 : 0;
    v.assign(static_cast<std::size_t>(ni_) * static_cast<std::size_t>(rows), init);
  }
  int rows_held() const { return ni > 0 ? static_cast<int>(v.size() / static_cast<std::size_t>(ni)) : 0; }
  void fill(T x) { v.assign(v.size(), x); }
  bool empty() const { return v.empty(); }
  std::size_t size() const { return v.size(); }
  T* data() { return v.data(); }
  const T* data() const { return v.data(); }

  // 1-based element (i, j).
  T& operator()(int i, int j) {
#ifdef SWX_BOUNDS_CHECK
    assert(i >= 1 && i <= ni && j >= j0 && j < j0 + rows_held());
#endif
    return v[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - j0) * static_cast<std::size_t>(ni)];
  }
  const T& operator()(int i, int j) const {
#ifdef SWX_BOUNDS_CHECK
    assert(i >= 1 && i <= ni && j >= j0 && j < j0 + rows_held());
#endif
    return v[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - j0) * static_cast<std::size_t>(ni)];
  }
  // Pointer to the start of column j (element (1, j)); handy for hot loops over i.
  T* col(int j) {
#ifdef SWX_BOUNDS_CHECK
    assert(j >= j0 && j <= j0 + rows_held());
#endif
    return v.data() + static_cast<std::size_t>(j - j0) * static_cast<std::size_t>(ni);
  }
  const T* col(int j) const {
#ifdef SWX_BOUNDS_CHECK
    assert(j >= j0 && j <= j0 + rows_held());
#endif
    return v.data() + static_cast<std::size_t>(j - j0) * static_cast<std::size_t>(ni);
  }
};

using Field = Array2D<float>;

}  // namespace swx
