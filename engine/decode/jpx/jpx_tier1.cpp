#include "engine/decode/jpx/jpx_tier1.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <thread>

#include "engine/decode/mq_probability_table.h"

namespace jpx {
namespace {

// Neighbour significance (8 directions), neighbour signs (4), and the sample's own state.
constexpr uint32_t kSigNW = 1u << 0, kSigN = 1u << 1, kSigNE = 1u << 2, kSigW = 1u << 3;
constexpr uint32_t kSigE = 1u << 4, kSigSW = 1u << 5, kSigS = 1u << 6, kSigSE = 1u << 7;
constexpr uint32_t kNegN = 1u << 8, kNegW = 1u << 9, kNegE = 1u << 10, kNegS = 1u << 11;
constexpr uint32_t kSig = 1u << 12, kVisit = 1u << 13, kRefined = 1u << 14, kNeg = 1u << 15;
constexpr uint32_t kNeighbours = 0xFFu;
// What the row below the stripe contributes, ignored under vertically causal coding.
constexpr uint32_t kBelow = kSigSW | kSigS | kSigSE | kNegS;

enum { kCtxRun = 17, kCtxUniform = 18, kContexts = 19 };

struct Context {
  uint8_t state = 0, mps = 0;
};

// Segment bytes end in two FFh bytes, which read as the end of the data for ever after.
struct MqDecoder {
  const uint8_t* p;
  uint32_t a, c;
  int ct;
  void byteIn() {
    if (p[0] == 0xFF) {
      if (p[1] > 0x8F) {
        c += 0xFF00;
        ct = 8;
      } else {
        ++p;
        c += uint32_t(p[0]) << 9;
        ct = 7;
      }
    } else {
      ++p;
      c += uint32_t(p[0]) << 8;
      ct = 8;
    }
  }
  void init(const uint8_t* data) {
    p = data;
    c = uint32_t(p[0]) << 16;
    byteIn();
    c <<= 7;
    ct -= 7;
    a = 0x8000;
  }
  inline int decode(Context& cx) {
    const MqQeEntry& e = kMqQe[cx.state];
    const uint32_t qe = e.qe;
    a -= qe;
    int d;
    if ((c >> 16) < qe) {
      // The less probable symbol's interval lies at the bottom.
      if (a < qe) {
        d = cx.mps;
        cx.state = e.nmps;
      } else {
        d = 1 - cx.mps;
        if (e.switchMps) cx.mps = uint8_t(1 - cx.mps);
        cx.state = e.nlps;
      }
      a = qe;
    } else {
      c -= qe << 16;
      if (a & 0x8000) return cx.mps;
      if (a < qe) {
        d = 1 - cx.mps;
        if (e.switchMps) cx.mps = uint8_t(1 - cx.mps);
        cx.state = e.nlps;
      } else {
        d = cx.mps;
        cx.state = e.nmps;
      }
    }
    do {
      if (ct == 0) byteIn();
      a <<= 1;
      c <<= 1;
      --ct;
    } while (!(a & 0x8000));
    return d;
  }
};

// Bits of the arithmetic-coding bypass, with the zero bit after each FFh.
struct RawDecoder {
  const uint8_t* p;
  uint32_t c = 0;
  int ct = 0;
  void init(const uint8_t* data) {
    p = data;
    c = 0;
    ct = 0;
  }
  inline int bit() {
    if (ct == 0) {
      if (c == 0xFF) {
        if (p[0] > 0x8F) {
          c = 0xFF;
          ct = 8;
        } else {
          c = *p++;
          ct = 7;
        }
      } else {
        c = *p++;
        ct = 8;
      }
    }
    --ct;
    return int(c >> ct) & 1;
  }
};

struct Tables {
  uint8_t zc[3][256];  // 0: LL and LH, 1: HL, 2: HH
  uint8_t sc[256];     // context << 1 | sign flip
  Tables() {
    for (int n = 0; n < 256; ++n) {
      const int h = !!(n & kSigW) + !!(n & kSigE);
      const int v = !!(n & kSigN) + !!(n & kSigS);
      const int d = !!(n & kSigNW) + !!(n & kSigNE) + !!(n & kSigSW) + !!(n & kSigSE);
      for (int t = 0; t < 2; ++t) {
        const int hh = t == 0 ? h : v, vv = t == 0 ? v : h;
        int ctx;
        if (hh == 2)
          ctx = 8;
        else if (hh == 1)
          ctx = vv >= 1 ? 7 : d >= 1 ? 6 : 5;
        else
          ctx = vv == 2 ? 4 : vv == 1 ? 3 : d >= 2 ? 2 : d == 1 ? 1 : 0;
        zc[t][n] = uint8_t(ctx);
      }
      int ctx;
      const int hv = h + v;
      if (d >= 3)
        ctx = 8;
      else if (d == 2)
        ctx = hv >= 1 ? 7 : 6;
      else if (d == 1)
        ctx = hv >= 2 ? 5 : hv == 1 ? 4 : 3;
      else
        ctx = hv >= 2 ? 2 : hv == 1 ? 1 : 0;
      zc[2][n] = uint8_t(ctx);
    }
    // Sign contexts from the N, W, E, S significance (bits 0-3) and signs (bits 4-7).
    for (int n = 0; n < 256; ++n) {
      auto contribution = [n](int sigBit, int negBit) {
        return (n >> sigBit & 1) ? ((n >> negBit & 1) ? -1 : 1) : 0;
      };
      const int h = std::clamp(contribution(1, 5) + contribution(2, 6), -1, 1);
      const int v = std::clamp(contribution(0, 4) + contribution(3, 7), -1, 1);
      int ctx, flip;
      if (h == 1)
        ctx = v == 1 ? 13 : v == 0 ? 12 : 11, flip = 0;
      else if (h == 0)
        ctx = v == 1 ? 10 : v == 0 ? 9 : 10, flip = v == -1;
      else
        ctx = v == 1 ? 11 : v == 0 ? 12 : 13, flip = 1;
      sc[n] = uint8_t(ctx << 1 | flip);
    }
  }
};
const Tables kTables;

inline int signKey(uint32_t f) {
  return int((f >> 1 & 1) | (f >> 3 & 1) << 1 | (f >> 4 & 1) << 2 | (f >> 6 & 1) << 3 |
             (f >> 8 & 15) << 4);
}

// One code block's working state; reused between blocks of one thread.
struct BlockDecoder {
  int w = 0, h = 0, stride = 0;
  std::vector<uint32_t> flags;
  std::vector<int32_t> mags;
  std::vector<uint8_t> bytes;
  Context cx[kContexts];
  MqDecoder mq;
  RawDecoder raw;
  const uint8_t* zc = nullptr;
  bool causal = false;

  void resetContexts() {
    for (Context& c : cx) c = Context{};
    cx[0].state = 4;
    cx[kCtxRun].state = 3;
    cx[kCtxUniform].state = 46;
  }

  // The flags of a sample with the row below the stripe hidden when coding is causal.
  template <bool Causal>
  static inline uint32_t view(uint32_t f, int y) {
    return Causal && (y & 3) == 3 ? f & ~uint32_t(kBelow) : f;
  }

  inline void becomeSignificant(uint32_t* f, bool negative) {
    const int s = stride;
    *f |= kSig | (negative ? kNeg : 0);
    f[-s - 1] |= kSigSE;
    f[-s] |= kSigS | (negative ? kNegS : 0);
    f[-s + 1] |= kSigSW;
    f[-1] |= kSigE | (negative ? kNegE : 0);
    f[1] |= kSigW | (negative ? kNegW : 0);
    f[s - 1] |= kSigNE;
    f[s] |= kSigN | (negative ? kNegN : 0);
    f[s + 1] |= kSigNW;
  }

  inline int decodeSign(MqDecoder& m, uint32_t f) {
    const int sc = kTables.sc[signKey(f)];
    return m.decode(cx[sc >> 1]) ^ (sc & 1);
  }

  template <bool Raw, bool Causal>
  void significancePass(int plane) {
    // The coder's registers live in locals: stores to the flags cannot alias them.
    MqDecoder m = mq;
    RawDecoder rw = raw;
    const int32_t oneHalf = 3 << plane;
    for (int y0 = 0; y0 < h; y0 += 4) {
      const int y1 = std::min(h, y0 + 4);
      for (int x = 0; x < w; ++x) {
        uint32_t* f = &flags[std::size_t(y0 + 1) * stride + x + 1];
        for (int y = y0; y < y1; ++y, f += stride) {
          const uint32_t v = view<Causal>(*f, y);
          if ((v & (kSig | kVisit)) || !(v & kNeighbours)) continue;
          int bit;
          if constexpr (Raw)
            bit = rw.bit();
          else
            bit = m.decode(cx[zc[v & kNeighbours]]);
          if (bit) {
            int negative;
            if constexpr (Raw)
              negative = rw.bit();
            else
              negative = decodeSign(m, v);
            mags[std::size_t(y) * w + x] = oneHalf;
            becomeSignificant(f, negative);
          }
          *f |= kVisit;
        }
      }
    }
    mq = m;
    raw = rw;
  }

  template <bool Raw, bool Causal>
  void refinementPass(int plane) {
    MqDecoder m = mq;
    RawDecoder rw = raw;
    const int32_t half = 1 << plane;
    for (int y0 = 0; y0 < h; y0 += 4) {
      const int y1 = std::min(h, y0 + 4);
      for (int x = 0; x < w; ++x) {
        uint32_t* f = &flags[std::size_t(y0 + 1) * stride + x + 1];
        for (int y = y0; y < y1; ++y, f += stride) {
          if ((*f & (kSig | kVisit)) != kSig) continue;
          int bit;
          if constexpr (Raw) {
            bit = rw.bit();
          } else {
            const uint32_t v = view<Causal>(*f, y);
            const int ctx = (v & kRefined) ? 16 : (v & kNeighbours) ? 15 : 14;
            bit = m.decode(cx[ctx]);
          }
          mags[std::size_t(y) * w + x] += bit ? half : -half;
          *f |= kRefined;
        }
      }
    }
    mq = m;
    raw = rw;
  }

  template <bool Causal>
  void cleanupPass(int plane, bool segmentation) {
    MqDecoder m = mq;
    const int32_t oneHalf = 3 << plane;
    for (int y0 = 0; y0 < h; y0 += 4) {
      const int y1 = std::min(h, y0 + 4);
      for (int x = 0; x < w; ++x) {
        uint32_t* column = &flags[std::size_t(y0 + 1) * stride + x + 1];
        int start = y0;
        if (y1 - y0 == 4) {
          const uint32_t busy = kSig | kVisit | kNeighbours;
          if (!(view<Causal>(column[0], y0) & busy) &&
              !(view<Causal>(column[stride], y0 + 1) & busy) &&
              !(view<Causal>(column[2 * stride], y0 + 2) & busy) &&
              !(view<Causal>(column[3 * stride], y0 + 3) & busy)) {
            if (!m.decode(cx[kCtxRun])) continue;
            int r = m.decode(cx[kCtxUniform]) << 1;
            r |= m.decode(cx[kCtxUniform]);
            const int y = y0 + r;
            uint32_t* f = column + std::size_t(r) * stride;
            const int negative = decodeSign(m, view<Causal>(*f, y));
            mags[std::size_t(y) * w + x] = oneHalf;
            becomeSignificant(f, negative);
            start = y + 1;
          }
        }
        uint32_t* f = column + std::size_t(start - y0) * stride;
        for (int y = start; y < y1; ++y, f += stride) {
          const uint32_t v = view<Causal>(*f, y);
          if (!(v & (kSig | kVisit))) {
            if (m.decode(cx[zc[v & kNeighbours]])) {
              const int negative = decodeSign(m, v);
              mags[std::size_t(y) * w + x] = oneHalf;
              becomeSignificant(f, negative);
            }
          }
        }
        // The next bit plane starts with nothing visited.
        for (int y = y0; y < y1; ++y) column[std::size_t(y - y0) * stride] &= ~uint32_t(kVisit);
      }
    }
    if (segmentation)
      for (int i = 0; i < 4; ++i) m.decode(cx[kCtxUniform]);
    mq = m;
  }

  template <bool Causal>
  void runPass(int type, bool rawPass, int plane, bool segmentation) {
    switch (type) {
      case 0:
        if (rawPass)
          significancePass<true, Causal>(plane);
        else
          significancePass<false, Causal>(plane);
        break;
      case 1:
        if (rawPass)
          refinementPass<true, Causal>(plane);
        else
          refinementPass<false, Causal>(plane);
        break;
      default:
        cleanupPass<Causal>(plane, segmentation);
    }
  }

  // Decodes the block's passes; leaves the magnitudes (two units per coefficient step) and
  // the signs in mags and flags.
  bool run(const CodeBlock& cb, const Band& band, int cbStyle) {
    w = cb.x1 - cb.x0;
    h = cb.y1 - cb.y0;
    stride = w + 2;
    flags.assign(std::size_t(stride) * (h + 2), 0);
    mags.assign(std::size_t(w) * h, 0);
    const int top = band.bitPlanes - 1 - cb.zeroPlanes;
    if (cb.passes == 0 || top < 0 || top >= kMaxBitPlanes) return false;
    zc = kTables.zc[band.orientation == 1 ? 1 : band.orientation == 3 ? 2 : 0];
    causal = cbStyle & kStyleVerticalCausal;
    resetContexts();
    int pass = 0;
    for (const Segment& seg : cb.segments) {
      bytes.assign(cb.data.begin() + seg.start, cb.data.begin() + seg.start + seg.length);
      bytes.push_back(0xFF);
      bytes.push_back(0xFF);
      const bool rawSegment = (cbStyle & kStyleBypass) && pass >= 10 && (pass - 10) % 3 != 2;
      if (rawSegment)
        raw.init(bytes.data());
      else
        mq.init(bytes.data());
      for (int k = 0; k < seg.passes; ++k, ++pass) {
        const int type = pass == 0 ? 2 : (pass - 1) % 3;
        const int plane = top - (pass + 2) / 3;
        if (plane < 0) return true;
        if ((cbStyle & kStyleReset) && pass > 0) resetContexts();
        const bool rawPass = (cbStyle & kStyleBypass) && pass >= 10 && type != 2;
        if (causal)
          runPass<true>(type, rawPass, plane, cbStyle & kStyleSegmentation);
        else
          runPass<false>(type, rawPass, plane, cbStyle & kStyleSegmentation);
      }
    }
    return true;
  }
};

struct Job {
  TileComponent* tc;
  const Band* band;
  const CodeBlock* block;
};

void decodeJob(BlockDecoder& d, const Job& job) {
  TileComponent& tc = *job.tc;
  const Band& band = *job.band;
  const CodeBlock& cb = *job.block;
  if (!d.run(cb, band, tc.style.cbStyle)) return;
  const int width = tc.width();
  const int ox = cb.x0 - band.x0 + band.offsetX, oy = cb.y0 - band.y0 + band.offsetY;
  const int roi = tc.roiShift;
  const int32_t roiThreshold = roi > 0 && roi < 30 ? int32_t(2) << roi : 0;
  const float scale = band.step * 0.5f;
  for (int y = 0; y < d.h; ++y) {
    const int32_t* m = &d.mags[std::size_t(y) * d.w];
    const uint32_t* f = &d.flags[std::size_t(y + 1) * d.stride + 1];
    const std::size_t at = std::size_t(oy + y) * width + ox;
    if (tc.style.reversible) {
      int32_t* out = &tc.ints[at];
      for (int x = 0; x < d.w; ++x) {
        int32_t v = m[x];
        if (roi && v >= roiThreshold) v >>= roi;
        v >>= 1;
        out[x] = (f[x] & kNeg) ? -v : v;
      }
    } else {
      float* out = &tc.floats[at];
      for (int x = 0; x < d.w; ++x) {
        int32_t v = m[x];
        if (roi && v >= roiThreshold) v >>= roi;
        const float value = float(v) * scale;
        out[x] = (f[x] & kNeg) ? -value : value;
      }
    }
  }
}

}  // namespace

void decodeCodeBlocks(TileState& state, int threads) {
  std::vector<Job> jobs;
  for (TileComponent& tc : state.components)
    for (Resolution& res : tc.resolutions)
      for (Precinct& prec : res.precincts)
        for (int b = 0; b < res.bandCount; ++b)
          for (const CodeBlock& cb : prec.bands[b].blocks)
            if (cb.passes > 0 && cb.x1 > cb.x0 && cb.y1 > cb.y0)
              jobs.push_back({&tc, &res.bands[b], &cb});
  threads = std::max(1, std::min<int>(threads, int(jobs.size() / 8)));
  if (threads <= 1) {
    BlockDecoder d;
    for (const Job& job : jobs) decodeJob(d, job);
    return;
  }
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    BlockDecoder d;
    for (std::size_t i; (i = next.fetch_add(1)) < jobs.size();) decodeJob(d, jobs[i]);
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
}

}  // namespace jpx
