// decodeRunLength on arbitrary bytes.
#include "engine/decode/run_length_decoder.h"
#include "fuzz/filters_fuzz.h"

BREVIA_FILTER_FUZZ(decodeRunLength(input, out, kFuzzOutputCap))
