// The stream filter pipeline: decryption, Filter and DecodeParms, predictors.

#include <string_view>

#include "engine/decode/ascii85_decoder.h"
#include "engine/decode/ascii_hex_decoder.h"
#include "engine/decode/ccitt_decoder.h"
#include "engine/decode/dct_decoder.h"
#include "engine/decode/jpx/jpx_decoder.h"
#include "engine/decode/decode_limits.h"
#include "engine/decode/flate_decoder.h"
#include "engine/decode/jbig2/jbig2_decoder.h"
#include "engine/decode/lzw_decoder.h"
#include "engine/decode/predictor.h"
#include "engine/decode/run_length_decoder.h"
#include "engine/document/decryptor.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/xref_table.h"
#include "engine/messages/message_catalogue.h"
#include "engine/messages/message_listener.h"

namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

enum class Filter {
  Unknown,
  Flate,
  Lzw,
  Dct,
  Ascii85,
  RunLength,
  Ccitt,
  Jbig2,
  Jpx,
  AsciiHex,
  Crypt
};

Filter filterByName(std::string_view name) {
  struct Known {
    std::string_view full, abbreviation;
    Filter filter;
  };
  static constexpr Known kFilters[] = {
      {"FlateDecode", "Fl", Filter::Flate},
      {"LZWDecode", "LZW", Filter::Lzw},
      {"DCTDecode", "DCT", Filter::Dct},
      {"ASCII85Decode", "A85", Filter::Ascii85},
      {"RunLengthDecode", "RL", Filter::RunLength},
      {"CCITTFaxDecode", "CCF", Filter::Ccitt},
      {"JBIG2Decode", "", Filter::Jbig2},
      {"JPXDecode", "", Filter::Jpx},
      {"ASCIIHexDecode", "AHx", Filter::AsciiHex},
      // Decryption happened before the filters; the Crypt filter only chose how.
      {"Crypt", "", Filter::Crypt},
  };
  for (const Known& k : kFilters)
    if (name == k.full || (!k.abbreviation.empty() && name == k.abbreviation)) return k.filter;
  return Filter::Unknown;
}

std::span<const uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// A JBIG2Globals stream is read with its own filters, but never as JBIG2 image data in turn.
constexpr int kMaxJbig2GlobalsNesting = 1;
// Per thread: two documents decoding on two threads must not count each other's nesting.
thread_local int jbig2GlobalsNesting = 0;

}  // namespace

int32_t ObjectResolver::decodeStream(std::vector<uint8_t>& out, const PdfObject& stream,
                                     bool alreadyDecrypted) {
  out.clear();
  if (!stream.isDictOrStream()) {
    // Asked to decode something that is not a stream: report it and give nothing.
    Messages::ReportPageFault(Messages::kMsgFatalInternal, 0, "1",
                              "a part of the file that should be a stream and is not");
    return -1;
  }
  std::string data = stream.text;
  if (decryptor_ && !alreadyDecrypted) decryptor_->decryptStream(data, stream);

  PdfObject filterStorage;
  const PdfObject* filterValue = stream.lookup("Filter");
  if (!filterValue) {
    // Some writers leave out the Filter of zlib data.
    if (data.size() > 2 && static_cast<uint8_t>(data[0]) == 0x48 &&
        static_cast<uint8_t>(data[1]) == 0x89) {
      PdfObject flate(PdfObjectKind::Name, "FlateDecode");
      return runFilter(flate, stream.lookup("DecodeParms"), data, out, -1, stream,
                       alreadyDecrypted);
    }
    out.assign(data.begin(), data.end());
    return static_cast<int32_t>(out.size());
  }
  const PdfObject& filter = resolved(*filterValue, filterStorage);

  if (filter.isName()) {
    const PdfObject* params = stream.lookup("DecodeParms");
    if (!params && filterByName(filter.text) == Filter::Ccitt)
      params = stream.lookup("DecodeParams");
    return runFilter(filter, params, data, out, -1, stream, alreadyDecrypted);
  }
  if (!filter.isArray()) {
    if (filter.kind == PdfObjectKind::Null) {
      out.assign(data.begin(), data.end());
      return static_cast<int32_t>(out.size());
    }
    throw C_PDF_Exception(PdfError::DocumentDamaged);
  }
  if (filter.elements.empty()) {
    out.assign(data.begin(), data.end());
    return static_cast<int32_t>(out.size());
  }
  PdfObject paramsStorage;
  const PdfObject* paramsArray = nullptr;
  if (const PdfObject* p = stream.lookup("DecodeParms")) {
    const PdfObject& resolvedParams = resolved(*p, paramsStorage);
    if (resolvedParams.isArray()) paramsArray = &resolvedParams;
  }
  for (std::size_t k = 0; k < filter.elements.size(); ++k) {
    PdfObject nameStorage;
    const PdfObject& name = resolved(filter.elements[k], nameStorage);
    const PdfObject* params =
        paramsArray && k < paramsArray->elements.size() ? &paramsArray->elements[k] : nullptr;
    int32_t length =
        runFilter(name, params, data, out, static_cast<int>(k), stream, alreadyDecrypted);
    if (length < 0) {
      out.clear();
      return -1;
    }
    if (k + 1 < filter.elements.size()) data.assign(out.begin(), out.end());
  }
  return static_cast<int32_t>(out.size());
}

int32_t ObjectResolver::runFilter(const PdfObject& name, const PdfObject* paramsValue,
                                  std::string& data, std::vector<uint8_t>& out, int arrayPosition,
                                  const PdfObject&, bool alreadyDecrypted) {
  out.clear();
  PdfObject paramsStorage;
  const PdfObject* params = nullptr;
  if (paramsValue) {
    const PdfObject& p = resolved(*paramsValue, paramsStorage);
    if (p.isDictOrStream()) params = &p;
  }
  auto intParam = [&](const char* key, int fallback) {
    if (!params) return fallback;
    const PdfObject* v = params->lookup(key);
    if (!v) return fallback;
    PdfObject storage;
    return resolved(*v, storage).intValue();
  };
  auto boolParam = [&](const char* key, bool fallback) {
    if (!params) return fallback;
    const PdfObject* v = params->lookup(key);
    if (!v) return fallback;
    PdfObject storage;
    return resolved(*v, storage).boolValue();
  };
  // Says once per document that a stream's filter cannot be undone.
  auto reportFilter = [&] {
    if (table_->unsupportedFilterReported) return;
    table_->unsupportedFilterReported = true;
    int number = arrayPosition < 0 ? Messages::kMsgFilterUnsupported1
                                   : Messages::kMsgFilterUnsupported2 + std::min(arrayPosition, 2);
    Messages::ReportPageFault(
        number, 2, name.text,
        "what is stored with the /" + name.text + " filter, which this reader cannot decode");
  };

  const Filter filter = name.isName() ? filterByName(name.text) : Filter::Unknown;
  const std::span<const uint8_t> input = bytesOf(data);
  switch (filter) {
    case Filter::Flate: {
      int32_t length = decodeFlate(input, out, kMaxDecodedStreamBytes);
      if (length >= 0 && params) {
        PredictorParams p;
        p.predictor = intParam("Predictor", 1);
        p.colors = intParam("Colors", 1);
        p.bitsPerComponent = intParam("BitsPerComponent", 8);
        p.columns = intParam("Columns", 1);
        applyPredictor(out, p);
        length = static_cast<int32_t>(out.size());
      }
      return length;
    }
    case Filter::Lzw:
      return decodeLzw(input, out, kMaxDecodedStreamBytes);
    case Filter::Ascii85:
      return decodeAscii85(input, out, kMaxDecodedStreamBytes);
    case Filter::AsciiHex:
      return decodeAsciiHex(input, out, kMaxDecodedStreamBytes);
    case Filter::RunLength:
      return decodeRunLength(input, out, kMaxDecodedStreamBytes);
    case Filter::Dct:
      return decodeDct(input, out, kMaxDecodedStreamBytes);
    case Filter::Ccitt: {
      CcittParams p;
      p.k = intParam("K", 0);
      p.endOfLine = boolParam("EndOfLine", false);
      p.encodedByteAlign = boolParam("EncodedByteAlign", false);
      p.columns = intParam("Columns", 1728);
      p.rows = intParam("Rows", 0);
      p.endOfBlock = boolParam("EndOfBlock", true);
      p.blackIs1 = boolParam("BlackIs1", false);
      // Nothing decoded gives no image rather than an empty (all black) one.
      const int32_t length = decodeCcitt(input, out, kMaxDecodedStreamBytes, p);
      return length > 0 ? length : -1;
    }
    case Filter::Jbig2: {
      std::vector<uint8_t> globals;
      const PdfObject* globalsRef = params ? params->lookup("JBIG2Globals") : nullptr;
      if (globalsRef && jbig2GlobalsNesting < kMaxJbig2GlobalsNesting) {
        struct Nesting {
          Nesting() { ++jbig2GlobalsNesting; }
          ~Nesting() { --jbig2GlobalsNesting; }
        } nesting;
        try {
          PdfObject storage;
          const PdfObject& g = resolved(*globalsRef, storage);
          if (g.kind == PdfObjectKind::Stream && decodeStream(globals, g, alreadyDecrypted) < 0)
            globals.clear();
        } catch (const C_PDF_Exception&) {
          // Missing globals: the image's own segments may still make a page.
          globals.clear();
        }
      }
      return decodeJbig2(input, globals, out, kMaxDecodedStreamBytes);
    }
    case Filter::Jpx:
      return decodeJpx(input, out, kMaxDecodedStreamBytes);
    case Filter::Crypt:
      out.assign(data.begin(), data.end());
      return static_cast<int32_t>(out.size());
    case Filter::Unknown:
      break;
  }
  reportFilter();
  if (arrayPosition < 0) return -1;
  // Inside an array the data goes on unchanged to the next filter.
  out.assign(data.begin(), data.end());
  return static_cast<int32_t>(out.size());
}

int32_t ObjectResolver::decodeInline(std::vector<uint8_t>& out, const PdfObject& filter,
                                     const PdfObject& decodeParms, std::span<const uint8_t> bytes) {
  PdfObject stream(PdfObjectKind::Stream);
  if (filter.kind != PdfObjectKind::None) stream.add("Filter", filter);
  if (decodeParms.kind != PdfObjectKind::None) stream.add("DecodeParms", decodeParms);
  stream.text.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return decodeStream(out, stream, true);
}
