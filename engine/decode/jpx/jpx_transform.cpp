#include "engine/decode/jpx/jpx_transform.h"

#include <algorithm>
#include <cstring>

namespace jpx {
namespace {

// Columns lifted together by the vertical passes: whole cache lines of each row.
constexpr int kColumnStrip = 16;

constexpr float kAlpha = -1.586134342059924f;
constexpr float kBeta = -0.052980118572961f;
constexpr float kGamma = 0.882911075530934f;
constexpr float kDelta = 0.443506852043971f;
constexpr float kK = 1.230174104914001f;

// Interleaves n samples (low ones first in src) into dst, each element being `width` values wide;
// the first output sample is a high-pass one when parity is 1.
template <typename T>
void interleave(const T* low, const T* high, T* dst, int n, int parity, int width,
                std::size_t srcStride) {
  const int lowCount = parity ? n / 2 : (n + 1) / 2;
  for (int i = 0; i < lowCount; ++i)
    std::memcpy(dst + std::size_t(2 * i + parity) * width, low + i * srcStride, sizeof(T) * width);
  for (int i = 0; i < n - lowCount; ++i)
    std::memcpy(dst + std::size_t(2 * i + 1 - parity) * width, high + i * srcStride,
                sizeof(T) * width);
}

// One lifting step over the samples at positions first, first+2, ... of x (each `width` wide):
// x[k] += f(x[k-1] + x[k+1]), mirroring at both ends.
template <typename T, typename F>
inline void lift(T* x, int n, int first, int width, F f) {
  for (int k = first; k < n; k += 2) {
    const T* left = x + std::size_t(k > 0 ? k - 1 : k + 1) * width;
    const T* right = x + std::size_t(k + 1 < n ? k + 1 : k - 1) * width;
    T* v = x + std::size_t(k) * width;
    for (int j = 0; j < width; ++j) v[j] = f(v[j], left[j] + right[j]);
  }
}

void synth53(int32_t* x, int n, int parity, int width) {
  if (n == 1) {
    if (parity)
      for (int j = 0; j < width; ++j) x[j] /= 2;
    return;
  }
  lift(x, n, parity, width, [](int32_t v, int32_t s) { return v - ((s + 2) >> 2); });
  lift(x, n, 1 - parity, width, [](int32_t v, int32_t s) { return v + (s >> 1); });
}

void synth97(float* x, int n, int parity, int width) {
  if (n == 1) {
    if (parity)
      for (int j = 0; j < width; ++j) x[j] *= 0.5f;
    return;
  }
  const float invK = 1.0f / kK;
  for (int k = 0; k < n; ++k) {
    const float s = ((k + parity) & 1) ? invK : kK;
    float* v = x + std::size_t(k) * width;
    for (int j = 0; j < width; ++j) v[j] *= s;
  }
  lift(x, n, parity, width, [](float v, float s) { return v - kDelta * s; });
  lift(x, n, 1 - parity, width, [](float v, float s) { return v - kGamma * s; });
  lift(x, n, parity, width, [](float v, float s) { return v - kBeta * s; });
  lift(x, n, 1 - parity, width, [](float v, float s) { return v - kAlpha * s; });
}

// One row: the lifting steps over single samples, the ends mirrored and the interior run
// without index checks.
template <typename T, typename F>
inline void liftRow(T* x, int n, int first, F f) {
  int k = first;
  if (k == 0) {
    x[0] = f(x[0], x[1] + x[1]);
    k = 2;
  }
  for (; k + 1 < n; k += 2) x[k] = f(x[k], x[k - 1] + x[k + 1]);
  if (k == n - 1) x[k] = f(x[k], x[k - 1] + x[k - 1]);
}

void row53(int32_t* x, int n, int parity) {
  if (n == 1) {
    if (parity) x[0] /= 2;
    return;
  }
  liftRow(x, n, parity, [](int32_t v, int32_t s) { return v - ((s + 2) >> 2); });
  liftRow(x, n, 1 - parity, [](int32_t v, int32_t s) { return v + (s >> 1); });
}

void row97(float* x, int n, int parity) {
  if (n == 1) {
    if (parity) x[0] *= 0.5f;
    return;
  }
  const float invK = 1.0f / kK;
  for (int k = parity; k < n; k += 2) x[k] *= kK;
  for (int k = 1 - parity; k < n; k += 2) x[k] *= invK;
  liftRow(x, n, parity, [](float v, float s) { return v - kDelta * s; });
  liftRow(x, n, 1 - parity, [](float v, float s) { return v - kGamma * s; });
  liftRow(x, n, parity, [](float v, float s) { return v - kBeta * s; });
  liftRow(x, n, 1 - parity, [](float v, float s) { return v - kAlpha * s; });
}

template <typename T, typename Synth, typename Row>
void transform(TileComponent& tc, T* data, Synth synth, Row rowSynth) {
  const std::size_t stride = std::size_t(tc.width());
  std::vector<T> tmp;
  for (std::size_t r = 1; r < tc.resolutions.size(); ++r) {
    const Resolution& res = tc.resolutions[r];
    const Resolution& lower = tc.resolutions[r - 1];
    const int w = res.x1 - res.x0, h = res.y1 - res.y0;
    if (w <= 0 || h <= 0) continue;
    const int lowH = lower.y1 - lower.y0;
    // Rows.
    tmp.resize(std::size_t(std::max(w, h)) * kColumnStrip);
    const int parity = res.x0 & 1;
    const int lowCount = parity ? w / 2 : (w + 1) / 2;
    for (int y = 0; y < h; ++y) {
      T* row = data + std::size_t(y) * stride;
      T* t = tmp.data();
      for (int i = 0; i < lowCount; ++i) t[2 * i + parity] = row[i];
      for (int i = 0; i < w - lowCount; ++i) t[2 * i + 1 - parity] = row[lowCount + i];
      rowSynth(t, w, parity);
      std::memcpy(row, t, sizeof(T) * w);
    }
    // Columns, a strip at a time so that each lifting step runs along rows.
    for (int x = 0; x < w; x += kColumnStrip) {
      const int sw = std::min(kColumnStrip, w - x);
      T* col = data + x;
      interleave(col, col + std::size_t(lowH) * stride, tmp.data(), h, res.y0 & 1, sw, stride);
      synth(tmp.data(), h, res.y0 & 1, sw);
      for (int y = 0; y < h; ++y)
        std::memcpy(col + std::size_t(y) * stride, tmp.data() + std::size_t(y) * sw,
                    sizeof(T) * sw);
    }
  }
}

}  // namespace

void inverseWavelet(TileComponent& tc) {
  if (tc.style.reversible)
    transform(tc, tc.ints.data(), synth53, row53);
  else
    transform(tc, tc.floats.data(), synth97, row97);
}

void inverseComponentTransform(TileState& st) {
  if (!st.coding->mct || st.components.size() < 3) return;
  TileComponent &c0 = st.components[0], &c1 = st.components[1], &c2 = st.components[2];
  if (c0.width() != c1.width() || c0.width() != c2.width() || c0.height() != c1.height() ||
      c0.height() != c2.height())
    return;
  const bool rev = c0.style.reversible;
  if (rev != c1.style.reversible || rev != c2.style.reversible) return;
  const std::size_t n = std::size_t(c0.width()) * c0.height();
  if (rev) {
    int32_t *y = c0.ints.data(), *u = c1.ints.data(), *v = c2.ints.data();
    for (std::size_t i = 0; i < n; ++i) {
      const int32_t g = y[i] - ((u[i] + v[i]) >> 2);
      const int32_t r = v[i] + g, b = u[i] + g;
      y[i] = r;
      u[i] = g;
      v[i] = b;
    }
  } else {
    float *y = c0.floats.data(), *u = c1.floats.data(), *v = c2.floats.data();
    for (std::size_t i = 0; i < n; ++i) {
      const float r = y[i] + 1.402f * v[i];
      const float g = y[i] - 0.34413f * u[i] - 0.71414f * v[i];
      const float b = y[i] + 1.772f * u[i];
      y[i] = r;
      u[i] = g;
      v[i] = b;
    }
  }
}

}  // namespace jpx
