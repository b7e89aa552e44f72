// decodeAsciiHex on arbitrary bytes.
#include "engine/decode/ascii_hex_decoder.h"
#include "fuzz/filters_fuzz.h"

BREVIA_FILTER_FUZZ(decodeAsciiHex(input, out, kFuzzOutputCap))
