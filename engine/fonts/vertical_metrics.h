#pragma once
// VerticalMetrics: how the glyphs of a CID font written top to bottom are placed: each CID's
// vertical advance and the position vector from its vertical origin (the top centre of its em
// box) to the origin it is drawn from, as the descendant's W2 and DW2 give them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/document/pdf_object.h"

class VerticalMetrics {
 public:
  // Glyph-space units (1/1000 text space), as without DW2.
  static constexpr double kDefaultOriginY = 880;
  static constexpr double kDefaultAdvance = -1000;
  // Entries of W2 set at most this many CIDs in all; the walk stops there.
  static constexpr std::size_t kMaxAssignments = std::size_t{1} << 24;
  static constexpr std::size_t kCidCount = 65536;

  // One CID's metrics, glyph-space units: the advance (negative downwards) and the position
  // vector (vx, vy); the glyph is drawn from its vertical origin minus the vector.
  struct Metric {
    double advance = kDefaultAdvance;
    double vx = 0;
    double vy = kDefaultOriginY;
  };

  // Resolves an indirect object (other objects come back as they are).
  using Resolve = std::function<PdfObject(const PdfObject&)>;

  // Reads DW2 ([vy w1]) and W2 (c [w1 vx vy ...] and cfirst clast w1 vx vy) of a descendant
  // font. Incomplete or malformed entries are skipped; CIDs are taken modulo 65536.
  void read(const PdfObject& dw2, const PdfObject& w2, const Resolve& resolve);

  // The metrics of cid, whose horizontal width is w0 (glyph-space units): W2's entry, else DW2's
  // advance and vy with vx at half the width.
  Metric of(uint16_t cid, double w0) const;

  bool hasEntries() const { return !entries_.empty(); }

 private:
  void set(int64_t cid, double advance, double vx, double vy);

  double defaultAdvance_ = kDefaultAdvance;
  double defaultOriginY_ = kDefaultOriginY;
  // Three floats per CID (advance, vx, vy); NaN advance for CIDs W2 leaves out. Empty without
  // W2 entries.
  std::vector<float> entries_;
};
