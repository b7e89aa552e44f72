// PNG and TIFF predictors with arbitrary parameters (taken from the first bytes) on arbitrary data.
#include "engine/decode/predictor.h"
#include "fuzz/filters_fuzz.h"

BREVIA_FILTER_FUZZ({
  if (size < 8) return 0;
  PredictorParams p;
  p.predictor = data[0] % 16;
  p.colors = data[1] % 5;
  p.bitsPerComponent = data[2] % 17;
  p.columns = (data[3] << 8 | data[4]) - 10;
  out.assign(data + 8, data + size);
  applyPredictor(out, p);
})
