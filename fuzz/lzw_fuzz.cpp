// decodeLzw on arbitrary bytes.
#include "engine/decode/lzw_decoder.h"
#include "fuzz/filters_fuzz.h"

BREVIA_FILTER_FUZZ(decodeLzw(input, out, kFuzzOutputCap))
