// decodeAscii85 on arbitrary bytes.
#include "engine/decode/ascii85_decoder.h"
#include "fuzz/filters_fuzz.h"

BREVIA_FILTER_FUZZ(decodeAscii85(input, out, kFuzzOutputCap))
