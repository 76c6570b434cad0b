// Fixed-size, 1-based, column-major (first index fastest) arrays.
//
// The whole simulation state is made of these: sized once by the program's
// limits, never reallocated, and laid out exactly as the restart-up image
// writes them.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>

namespace talvek {

template <typename T, int... Dims>
class FArray {
  static_assert(sizeof...(Dims) >= 1, "FArray needs at least one dimension");
  static constexpr int kRank = sizeof...(Dims);
  static constexpr std::array<int, kRank> kExt{Dims...};

 public:
  static constexpr std::size_t kSize = (static_cast<std::size_t>(Dims) * ...);

  template <typename... Idx>
  T& operator()(Idx... idx) {
    return d_[offset(idx...)];
  }
  template <typename... Idx>
  const T& operator()(Idx... idx) const {
    return d_[offset(idx...)];
  }

  T* data() { return d_.data(); }
  const T* data() const { return d_.data(); }
  static constexpr std::size_t size() { return kSize; }
  static constexpr int extent(int dim) { return kExt[static_cast<std::size_t>(dim)]; }
  void fill(const T& v) { d_.fill(v); }

  // Pointer to element (1, ..., 1, j) of the last dimension's slice j: a
  // contiguous run of kSize / extent(last) entries.
  T* column(int j) {
    assert(j >= 1 && j <= kExt[kRank - 1]);
    return d_.data() + static_cast<std::size_t>(j - 1) * (kSize / static_cast<std::size_t>(kExt[kRank - 1]));
  }

 private:
  template <typename... Idx>
  static std::size_t offset(Idx... idx) {
    static_assert(sizeof...(Idx) == kRank, "wrong number of indices");
    const int ix[kRank] = {static_cast<int>(idx)...};
    std::size_t off = 0;
    std::size_t stride = 1;
    for (int d = 0; d < kRank; ++d) {
      assert(ix[d] >= 1 && ix[d] <= kExt[static_cast<std::size_t>(d)]);
      off += static_cast<std::size_t>(ix[d] - 1) * stride;
      stride *= static_cast<std::size_t>(kExt[static_cast<std::size_t>(d)]);
    }
    return off;
  }

  // Not value-initialised: the simulation state, tens of megabytes of these,
  // is created in memory handed out zero-filled (makeState), and clearing
  // it again would touch every page of it whether the run uses it or not.
  // Arrays at namespace scope start as zeros too; an FArray made anywhere
  // else is filled before it is read, or made with FArray{} for zeros.
  std::array<T, kSize> d_;
};

// Fixed-length blank-padded text, as the listing and the deck hold them.
template <int N>
struct FText {
  std::array<char, N> c;
  FText() { c.fill(' '); }
  void set(const char* s, std::size_t len) {
    c.fill(' ');
    std::copy_n(s, std::min<std::size_t>(len, N), c.begin());
  }
  template <typename Str>
  void set(const Str& s) { set(s.data(), s.size()); }
  // Length without the trailing blanks.
  std::size_t trimmed() const {
    std::size_t n = N;
    while (n > 0 && c[n - 1] == ' ') --n;
    return n;
  }
};

}  // namespace talvek
