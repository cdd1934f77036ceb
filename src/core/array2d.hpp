#pragma once
// Owning two-dimensional array over grid nodes and faces: one contiguous std::vector,
// column-major with i fastest, indexed from 1 so that formulas read like the equations.
#include <cassert>
#include <cstddef>
#include <vector>

namespace swx {

template <class T>
struct Array2D {
  int ni = 0;  // extent in i (for model fields: ngrid_x + 1)
  int nj = 0;  // extent in j (for model fields: ngrid_y + 1)
  std::vector<T> v;

  Array2D() = default;
  Array2D(int ni_, int nj_, T init = T{}) { resize(ni_, nj_, init); }

  void resize(int ni_, int nj_, T init = T{}) {
    ni = ni_;
    nj = nj_;
    v.assign(static_cast<std::size_t>(ni_) * static_cast<std::size_t>(nj_), init);
  }
  void fill(T x) { v.assign(v.size(), x); }
  bool empty() const { return v.empty(); }
  std::size_t size() const { return v.size(); }
  T* data() { return v.data(); }
  const T* data() const { return v.data(); }

  // 1-based element (i, j).
  T& operator()(int i, int j) {
#ifdef SWX_BOUNDS_CHECK
    assert(i >= 1 && i <= ni && j >= 1 && j <= nj);
#endif
    return v[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(ni)];
  }
  const T& operator()(int i, int j) const {
#ifdef SWX_BOUNDS_CHECK
    assert(i >= 1 && i <= ni && j >= 1 && j <= nj);
#endif
    return v[static_cast<std::size_t>(i - 1) + static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(ni)];
  }
  // Pointer to the start of column j (element (1, j)); handy for hot loops over i.
  T* col(int j) { return v.data() + static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(ni); }
  const T* col(int j) const { return v.data() + static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(ni); }
};

using Field = Array2D<float>;

}  // namespace swx
