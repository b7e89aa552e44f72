// decodeFlate on arbitrary bytes.
#include "engine/decode/flate_decoder.h"
#include "fuzz/filters_fuzz.h"

BREVIA_FILTER_FUZZ(decodeFlate(input, out, kFuzzOutputCap))
