#include "engine/fonts/vertical_metrics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A number, or nothing (NaN) for anything else; values beyond any glyph are nothing too.
constexpr double kMaxMetric = 1e6;

double numberOf(const PdfObject& value) {
  if (!value.isNumber()) return std::numeric_limits<double>::quiet_NaN();
  const double v = value.realValue();
  return std::isfinite(v) && std::fabs(v) <= kMaxMetric ? v
                                                        : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

void VerticalMetrics::read(const PdfObject& dw2, const PdfObject& w2, const Resolve& resolve) {
  const PdfObject defaults = resolve(dw2);
  if (defaults.isArray() && defaults.elements.size() >= 2) {
    const double vy = numberOf(resolve(defaults.elements[0]));
    const double advance = numberOf(resolve(defaults.elements[1]));
    if (!std::isnan(vy) && !std::isnan(advance)) {
      defaultOriginY_ = vy;
      defaultAdvance_ = advance;
    }
  }

  const PdfObject list = resolve(w2);
  if (!list.isArray()) return;
  const std::vector<PdfObject>& e = list.elements;
  std::size_t budget = kMaxAssignments;
  std::size_t i = 0;
  while (i < e.size() && budget > 0) {
    if (!e[i].isNumber()) {
      ++i;
      continue;
    }
    const int64_t first = e[i].intValue();
    if (i + 1 >= e.size()) break;
    const PdfObject next = e[i + 1].isReference() ? resolve(e[i + 1]) : e[i + 1];
    if (next.isArray()) {
      // c [w1 vx vy w1 vx vy ...]: consecutive CIDs; an incomplete last triple is dropped.
      const std::vector<PdfObject>& values = next.elements;
      for (std::size_t k = 0; k + 2 < values.size() && budget > 0; k += 3, --budget) {
        set(first + static_cast<int64_t>(k / 3), numberOf(resolve(values[k])),
            numberOf(resolve(values[k + 1])), numberOf(resolve(values[k + 2])));
      }
      i += 2;
    } else if (next.isNumber()) {
      // cfirst clast w1 vx vy.
      if (i + 4 >= e.size()) break;
      const int64_t last = next.intValue();
      const double advance = numberOf(resolve(e[i + 2]));
      const double vx = numberOf(resolve(e[i + 3]));
      const double vy = numberOf(resolve(e[i + 4]));
      if (last >= first) {
        const int64_t count = std::min<int64_t>(last - first + 1, kCidCount);
        for (int64_t k = 0; k < count && budget > 0; ++k, --budget) set(first + k, advance, vx, vy);
      }
      i += 5;
    } else {
      // Anything else ends the list: what follows cannot be told apart from it.
      break;
    }
  }
}

void VerticalMetrics::set(int64_t cid, double advance, double vx, double vy) {
  if (std::isnan(advance) || std::isnan(vx) || std::isnan(vy)) return;
  if (entries_.empty()) entries_.assign(3 * kCidCount, std::numeric_limits<float>::quiet_NaN());
  const std::size_t at = 3 * static_cast<std::size_t>(static_cast<uint16_t>(cid));
  entries_[at] = static_cast<float>(advance);
  entries_[at + 1] = static_cast<float>(vx);
  entries_[at + 2] = static_cast<float>(vy);
}

VerticalMetrics::Metric VerticalMetrics::of(uint16_t cid, double w0) const {
  Metric m;
  const std::size_t at = 3 * static_cast<std::size_t>(cid);
  if (!entries_.empty() && !std::isnan(entries_[at])) {
    m.advance = entries_[at];
    m.vx = entries_[at + 1];
    m.vy = entries_[at + 2];
    return m;
  }
  m.advance = defaultAdvance_;
  m.vx = w0 / 2;
  m.vy = defaultOriginY_;
  return m;
}
