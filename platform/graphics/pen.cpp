#include "platform/graphics/pen.h"

#include <cmath>

namespace brevia::gfx {

namespace {

bool validCap(LineCap cap) { return int(cap) >= 0 && int(cap) <= int(LineCap::Triangle); }

}  // namespace

Pen::Pen(Argb colour, float width) : colour_(colour) { setWidth(width); }

Status Pen::setWidth(float width) {
  if (!std::isfinite(width) || width < 0) return keep(Status::InvalidParameter);
  width_ = width;
  return Status::Ok;
}

Status Pen::setLineCap(LineCap startCap, LineCap endCap, LineCap dashCap) {
  if (!validCap(startCap) || !validCap(endCap) || !validCap(dashCap))
    return keep(Status::InvalidParameter);
  startCap_ = startCap;
  endCap_ = endCap;
  return Status::Ok;
}

Status Pen::setLineJoin(LineJoin join) {
  if (int(join) < 0 || int(join) > int(LineJoin::MiterClipped))
    return keep(Status::InvalidParameter);
  join_ = join;
  return Status::Ok;
}

Status Pen::setMiterLimit(float limit) {
  if (std::isnan(limit)) return keep(Status::InvalidParameter);
  miterLimit_ = limit < 1.0f ? 1.0f : limit;
  return Status::Ok;
}

Status Pen::setDashPattern(const std::vector<float>& lengths, float offset) {
  float total = 0;
  for (float v : lengths) {
    if (!(v >= 0) || !std::isfinite(v)) return keep(Status::InvalidParameter);
    total += v;
  }
  if (!std::isfinite(offset) || !std::isfinite(total)) return keep(Status::InvalidParameter);
  if (total > 0)
    dashes_ = lengths;
  else
    dashes_.clear();
  dashOffset_ = offset;
  return Status::Ok;
}

}  // namespace brevia::gfx
