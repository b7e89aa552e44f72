#include "engine/fonts/font_loader.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "engine/document/decryptor.h"
#include "engine/document/lex_source.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/fonts/glyph_lookup.h"
#include "engine/fonts/name_code_table.h"
#include "engine/messages/message_catalogue.h"
#include "engine/messages/message_listener.h"
#include "platform/fonts/cjk_language.h"
#include "platform/fonts/font_enum.h"
#include "platform/fonts/font_file_cache.h"

namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

constexpr std::string_view kZapfDingbatsFace = C_PDF_FontEnum::kZapfDingbatsFace;

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string truncated(std::string text, std::size_t limit) {
  if (text.size() > limit) text.resize(limit);
  return text;
}

FontKind kindOfSubtype(const PdfObject& subtype) {
  if (!subtype.isName() || subtype.text.empty()) return FontKind::None;
  const std::string& s = subtype.text;
  if (s == "Type0") return FontKind::Type0;
  if (s == "Type1" || s == "MMType1") return FontKind::Type1;
  if (s == "Type3") return FontKind::Type3;
  if (s == "CIDFontType0") return FontKind::CIDFontType0;
  if (s == "CIDFontType2") return FontKind::CIDFontType2;
  return FontKind::TrueType;
}

BaseEncodingId encodingNamed(const PdfObject& name) {
  if (!name.isName()) return BaseEncodingId::None;
  if (name.text == "MacRomanEncoding") return BaseEncodingId::MacRoman;
  if (name.text == "WinAnsiEncoding") return BaseEncodingId::WinAnsi;
  if (name.text == "MacExpertEncoding") return BaseEncodingId::MacExpert;
  return BaseEncodingId::None;
}

const NameCodeTable* tableOfEncoding(BaseEncodingId id) {
  switch (id) {
    case BaseEncodingId::Standard:
      return &nameCodeTable(NameCodeTableId::Standard);
    case BaseEncodingId::MacRoman:
      return &nameCodeTable(NameCodeTableId::MacRoman);
    case BaseEncodingId::WinAnsi:
      return &nameCodeTable(NameCodeTableId::WinAnsi);
    case BaseEncodingId::MacExpert:
      return &nameCodeTable(NameCodeTableId::MacExpert);
    case BaseEncodingId::ZapfDingbatsBuiltIn:
      return &nameCodeTable(NameCodeTableId::ZapfDingbatsBuiltIn);
    default:
      return nullptr;
  }
}

bool validUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<uint8_t>(text[i]);
    std::size_t extra = 0;
    if (c < 0x80) {
      extra = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (text.size() - i - 1 < extra) return false;
    for (std::size_t k = 1; k <= extra; ++k)
      if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
    i += extra + 1;
  }
  return true;
}

// A character every face of the language's script has.
uint32_t probeCharacter(const std::string& language) {
  if (language == "ja") return 0x3042;
  if (language == "ko") return 0xAC00;
  return 0x4E2D;
}

bool coversCharacter(const S_FixedPosSize_Font& font, uint32_t character) {
  if (!font.face) return false;
  FT_Face face = font.face->get();
  FT_CharMap saved = face->charmap;
  bool covered = false;
  for (int i = 0; i < face->num_charmaps && !covered; ++i) {
    if (face->charmaps[i]->encoding != FT_ENCODING_UNICODE) continue;
    if (FT_Set_Charmap(face, face->charmaps[i]) == 0)
      covered = FT_Get_Char_Index(face, character) != 0;
  }
  face->charmap = saved;
  return covered;
}

bool hasTable(FT_Face face, FT_ULong tag) {
  FT_ULong length = 0;
  return FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) == 0 && length > 0;
}

// False for a program FreeType opens but cannot draw from: an OpenType or TrueType without its
// glyph data, or one whose first glyphs all fail to load.
bool programDrawsGlyphs(FT_Face face) {
  constexpr int kProbedGlyphs = 8;
  if (!face || face->num_glyphs <= 0) return false;
  if (!FT_IS_SFNT(face)) return true;
  const bool outlines = hasTable(face, TTAG_glyf) || hasTable(face, TTAG_CFF) ||
                        hasTable(face, TTAG_CFF2) || face->num_fixed_sizes > 0;
  if (!outlines) return false;
  // Glyph indices of CID-keyed programs are CIDs, which a subset leaves sparse.
  if (FT_IS_CID_KEYED(face)) return true;
  const FT_Long last = std::min<FT_Long>(face->num_glyphs - 1, kProbedGlyphs);
  for (FT_Long glyph = last > 0 ? 1 : 0; glyph <= last; ++glyph)
    if (FT_Load_Glyph(face, static_cast<FT_UInt>(glyph), FT_LOAD_NO_SCALE) == 0) return true;
  return false;
}

bool coversLanguage(const S_FixedPosSize_Font& font, const std::string& language) {
  return coversCharacter(font, probeCharacter(language));
}

}  // namespace

std::string fontNameToUtf8(const std::string& bytes) {
  if (validUtf8(bytes)) return bytes;
  std::string out;
  for (char ch : bytes) {
    const auto c = static_cast<uint8_t>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

FontLoader::FontLoader(ObjectResolver& resolver, FontLibrary& library, C_PDF_FontEnum& fontEnum,
                       FontPartsSource* parts)
    : resolver_(resolver), library_(library), fontEnum_(fontEnum), parts_(parts) {}

PdfObject FontLoader::resolvedValue(const PdfObject* value) {
  if (!value) return PdfObject();
  try {
    return resolver_.resolve(*value);
  } catch (const C_PDF_Exception&) {
    return PdfObject();
  }
}

bool FontLoader::decodeStreamValue(const PdfObject& value, std::vector<uint8_t>& out,
                                   PdfObject* streamOut) {
  out.clear();
  PdfObject stream = resolvedValue(&value);
  if (!stream.isStream()) return false;
  try {
    if (resolver_.decodeStream(out, stream) < 0) out.clear();
  } catch (const C_PDF_Exception&) {
    out.clear();
  }
  if (streamOut) *streamOut = std::move(stream);
  return true;
}

void FontLoader::report(S_FixedPosSize_Font& font, int number, const std::string& argument) {
  const int key = number * 1000 + std::atoi(argument.c_str());
  if (std::find(font.reported.begin(), font.reported.end(), key) != font.reported.end()) return;
  font.reported.push_back(key);
  const std::string name = font.hasBaseFont ? font.baseFont : std::string("without a name");
  std::string leftOut;
  switch (number) {
    case Messages::kMsgProgramFileNotFound:
      leftOut = "the glyphs of the font " + name + ", whose substitute font file is missing";
      break;
    case Messages::kMsgFontCorrupted:
      leftOut = "the glyphs of the font " + name + ", whose installed font cannot be read";
      break;
    default:
      leftOut = argument == "20"
                    ? "some character widths of the font " + name + ", which are malformed"
                    : "the glyphs of the font " + name + ", which has no usable character map";
      break;
  }
  Messages::ReportPageFault(number, 0, argument, leftOut);
}

std::unique_ptr<S_FixedPosSize_Font> FontLoader::load(const PdfObject& value, int depth) {
  auto font = std::make_unique<S_FixedPosSize_Font>();
  S_FixedPosSize_Font& f = *font;
  f.partsSource = parts_;
  if (value.isReference()) {
    f.objectNumber = value.objectNumber;
    f.generation = value.generation;
  }
  const PdfObject* target = &value;
  if (value.isArray()) target = value.elements.empty() ? nullptr : &value.elements[0];
  if (target) {
    PdfObject dictionary = resolvedValue(target);
    if (dictionary.isDictOrStream()) f.dictionary = std::move(dictionary);
  }
  const PdfObject& dict = f.dictionary;

  f.kind = kindOfSubtype(resolvedValue(dict.lookup("Subtype")));
  PdfObject baseFont = resolvedValue(dict.lookup("BaseFont"));
  if (baseFont.isName()) {
    f.hasBaseFont = true;
    f.baseFont = fontNameToUtf8(baseFont.text);
  }
  if (f.kind == FontKind::CIDFontType0 || f.kind == FontKind::CIDFontType2) {
    PdfObject info = resolvedValue(dict.lookup("CIDSystemInfo"));
    if (info.isDictionary()) {
      // Strings are stored encrypted with the key of the object that holds them.
      const int32_t number = info.objectNumber >= 0 ? info.objectNumber : dict.objectNumber;
      const int32_t generation = info.objectNumber >= 0 ? info.generation : dict.generation;
      auto text = [&](const char* key) {
        PdfObject s = resolvedValue(info.lookup(key));
        if (!s.isString()) return std::string();
        if (const IDecryptor* decryptor = resolver_.decryptor())
          if (number >= 0) decryptor->decrypt(s.text, number, generation);
        return s.text;
      };
      f.registry = text("Registry");
      f.ordering = text("Ordering");
    }
  }
  if (const PdfObject* descriptor = dict.lookup("FontDescriptor")) readDescriptor(f, *descriptor);

  if (f.kind == FontKind::Type0 || f.kind == FontKind::Type1 || f.kind == FontKind::Type3 ||
      f.kind == FontKind::TrueType) {
    if (const PdfObject* toUnicode = dict.lookup("ToUnicode")) {
      if (parts_) {
        // Drawing alone never reads it, and a document's CMaps can take many megabytes.
        f.toUnicodeEntry = *toUnicode;
        f.toUnicodePending = true;
      } else {
        f.toUnicode = loadToUnicode(*toUnicode, 0);
      }
    }
  }
  if (f.kind == FontKind::Type0) loadType0Parts(f, depth);
  if (f.kind == FontKind::Type3) loadType3Parts(f);

  if (f.kind != FontKind::Type3 && !f.face && !f.embedded()) {
    matchFaceName(f);
    loadSystemFace(f);
  } else {
    matchFixedFaceName(f);
  }
  if (f.faceName == kZapfDingbatsFace) f.symbolic = true;

  if (f.kind == FontKind::Type1 || f.kind == FontKind::Type3 || f.kind == FontKind::TrueType)
    readEncoding(f);
  readWidths(f);
  switch (selectCharmap(f)) {
    case CharmapFailure::NoCharmaps:
      report(f, Messages::kMsgFatalInternal, "42");
      break;
    case CharmapFailure::FirstRefused:
      report(f, Messages::kMsgFatalInternal, "43");
      break;
    case CharmapFailure::None:
      break;
  }
  fixFaceName(f);
  return font;
}

void FontLoader::readDescriptor(S_FixedPosSize_Font& font, const PdfObject& value) {
  auto record = std::make_unique<FontDescriptorRecord>();
  PdfObject descriptor = resolvedValue(&value);
  if (!descriptor.isDictOrStream()) {
    font.descriptor = std::move(record);
    return;
  }
  record->descriptor = std::move(descriptor);
  const PdfObject& d = record->descriptor;
  PdfObject fontName = resolvedValue(d.lookup("FontName"));
  if (fontName.isName()) record->fontName = fontNameToUtf8(fontName.text);
  PdfObject flags = resolvedValue(d.lookup("Flags"));
  if (flags.isNumber()) {
    record->flags = flags.intValue();
    font.fixedPitch = (record->flags & FontDescriptorRecord::kFixedPitch) != 0;
    font.serif = (record->flags & FontDescriptorRecord::kSerif) != 0;
    font.script = (record->flags & FontDescriptorRecord::kScript) != 0;
    font.nonsymbolic = (record->flags & FontDescriptorRecord::kNonsymbolic) != 0;
    font.italic = (record->flags & FontDescriptorRecord::kItalic) != 0;
    font.symbolic = !font.nonsymbolic;
  }
  PdfObject lang = resolvedValue(d.lookup("Lang"));
  if (lang.isName()) record->lang = lang.text;
  PdfObject weight = resolvedValue(d.lookup("FontWeight"));
  if (weight.isNumber()) record->fontWeight = weight.realValue();
  PdfObject angle = resolvedValue(d.lookup("ItalicAngle"));
  if (angle.isNumber()) record->italicAngle = angle.realValue();

  for (const char* entry : {"FontFile", "FontFile2", "FontFile3"}) {
    const PdfObject* file = d.lookup(entry);
    if (!file) continue;
    record->programEntry = entry;
    std::shared_ptr<const std::vector<uint8_t>> bytes = readProgram(*file);
    if (bytes) {
      record->program = bytes;
      record->embedded = true;
      font.descriptor = std::move(record);
      if (!createFace(font, font.descriptor->program, 0) || !programDrawsGlyphs(font.face->get())) {
        // A broken program: the font is drawn like one without a program, by an installed face
        // its name and flags choose, with its own widths; its text is read as usual.
        font.face.reset();
        font.faceOwned = false;
        font.descriptor->embedded = false;
        font.descriptor->program.reset();
        font.brokenProgram = true;
        return;
      }
      if (parts_) {
        // The face alone holds the program, which is decoded again if the face is released.
        font.face->setProgramSource(
            [parts = parts_, value = *file] { return parts->readProgram(value); });
        font.descriptor->program.reset();
      }
      return;
    }
    break;
  }
  font.descriptor = std::move(record);
}

std::shared_ptr<const std::vector<uint8_t>> FontLoader::readProgram(const PdfObject& value) {
  auto bytes = std::make_shared<std::vector<uint8_t>>();
  decodeStreamValue(value, *bytes, nullptr);
  if (bytes->size() <= 1) return nullptr;
  // The program stays as long as the font: without the room the decoder left for growth.
  bytes->shrink_to_fit();
  return bytes;
}

std::unique_ptr<CMaps::ToUnicodeCMap> FontLoader::loadToUnicode(const PdfObject& value, int depth) {
  if (depth > CMaps::kMaxUseCMapDepth) return nullptr;
  std::vector<uint8_t> bytes;
  PdfObject stream;
  if (!decodeStreamValue(value, bytes, &stream) || bytes.empty()) return nullptr;
  // Dictionaries in the CMap's header would swallow what follows them when unbalanced.
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == '<' && bytes[i + 1] == '<') bytes[i] = bytes[i + 1] = ' ';
  }
  auto cmap = std::make_unique<CMaps::ToUnicodeCMap>();
  C_PDF_Mem_Buffer buffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  if (!cmap->parse(buffer)) return nullptr;
  if (const PdfObject* use = stream.lookup("UseCMap")) {
    PdfObject used = resolvedValue(use);
    std::unique_ptr<CMaps::ToUnicodeCMap> usedCMap;
    if (used.isName()) {
      usedCMap = std::make_unique<CMaps::ToUnicodeCMap>();
      if (!usedCMap->loadByName(used.text)) usedCMap.reset();
    } else {
      usedCMap = loadToUnicode(*use, depth + 1);
    }
    if (!usedCMap) return nullptr;
    cmap->setUsedCMap(std::move(usedCMap));
  }
  return cmap;
}

std::unique_ptr<CMaps::EncodingCMap> FontLoader::loadEncodingCMap(const PdfObject& value,
                                                                  int depth) {
  if (depth > CMaps::kMaxUseCMapDepth) return nullptr;
  PdfObject resolved = resolvedValue(&value);
  auto cmap = std::make_unique<CMaps::EncodingCMap>();
  if (resolved.isName()) return cmap->loadByName(resolved.text) ? std::move(cmap) : nullptr;
  std::vector<uint8_t> bytes;
  PdfObject stream;
  if (!decodeStreamValue(value, bytes, &stream) || bytes.empty()) return nullptr;
  C_PDF_Mem_Buffer buffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  if (!cmap->parse(buffer)) return nullptr;
  PdfObject mode = resolvedValue(stream.lookup("WMode"));
  if (mode.isNumber()) cmap->setWritingMode(mode.intValue() == 1 ? 1 : 0);
  if (const PdfObject* use = stream.lookup("UseCMap")) {
    std::unique_ptr<CMaps::EncodingCMap> used = loadEncodingCMap(*use, depth + 1);
    if (!used) return nullptr;
    cmap->setUsedCMap(std::move(used));
  }
  return cmap;
}

void FontLoader::loadType0Parts(S_FixedPosSize_Font& font, int depth) {
  const PdfObject& dict = font.dictionary;
  PdfObject descendants = resolvedValue(dict.lookup("DescendantFonts"));
  if (depth < kMaxDescendantDepth && descendants.isArray() && !descendants.elements.empty()) {
    font.descendant = load(descendants, depth + 1);
    S_FixedPosSize_Font& d = *font.descendant;
    font.face = d.face;
    font.faceOwned = d.faceOwned;
    font.symbolic = d.symbolic;
    font.nonsymbolic = d.nonsymbolic;
    d.faceOwned = false;
  }
  if (const PdfObject* encoding = dict.lookup("Encoding")) {
    font.encoding = resolvedValue(encoding);
    font.hasEncodingEntry = true;
    font.encodingCMap = loadEncodingCMap(*encoding, 0);
  }
  if (!font.descendant) return;
  const PdfObject& descendant = font.descendant->dictionary;
  if (const PdfObject* map = descendant.lookup("CIDToGIDMap")) {
    std::vector<uint8_t> bytes;
    if (decodeStreamValue(*map, bytes, nullptr)) {
      font.cidToGidMap = std::move(bytes);
      font.hasCidToGidMap = true;
    }
  }
  readCidWidths(font, descendant);
  font.vertical = font.encodingCMap && font.encodingCMap->writingMode() == 1;
  if (font.vertical) {
    auto value = [&descendant](const char* key) {
      const PdfObject* entry = descendant.lookup(key);
      return entry ? *entry : PdfObject();
    };
    font.verticalMetrics.read(value("DW2"), value("W2"),
                              [this](const PdfObject& v) { return resolvedValue(&v); });
  }
  loadUcs2CMap(font);
}

void FontLoader::readCidWidths(S_FixedPosSize_Font& font, const PdfObject& descendant) {
  PdfObject dw = resolvedValue(descendant.lookup("DW"));
  PdfObject w = resolvedValue(descendant.lookup("W"));
  if (dw.isNumber()) {
    font.cidWidths.fill(dw.realValue());
  } else if (w.isArray()) {
    font.cidWidths.fill(S_FixedPosSize_Font::kNoWidth);
  }
  if (!w.isArray()) return;
  CidWidthTable& widths = font.cidWidths;
  const std::vector<PdfObject>& e = w.elements;
  std::size_t budget = kMaxCidWidthAssignments;
  auto set = [&](int64_t cid, double value) {
    widths.set(static_cast<uint16_t>(cid), value);
    --budget;
  };
  std::size_t i = 0;
  while (i < e.size() && budget > 0) {
    if (!e[i].isNumber()) {
      ++i;
      continue;
    }
    const int64_t first = e[i].intValue();
    if (i + 1 >= e.size()) break;
    PdfObject next = e[i + 1].isReference() ? resolvedValue(&e[i + 1]) : e[i + 1];
    if (next.isArray()) {
      for (std::size_t k = 0; k < next.elements.size() && budget > 0; ++k) {
        const PdfObject& v = next.elements[k];
        set(first + static_cast<int64_t>(k),
            v.isNumber() ? v.intValue() : resolvedValue(&v).intValue());
      }
      i += 2;
    } else if (next.isNumber()) {
      if (i + 2 >= e.size()) break;
      const int64_t last = next.intValue();
      if (!e[i + 2].isNumber()) {
        report(font, Messages::kMsgFatalInternal, "20");
        break;
      }
      const double value = e[i + 2].intValue();
      if (last >= first) {
        const int64_t count = std::min<int64_t>(last - first + 1, S_FixedPosSize_Font::kCidCount);
        for (int64_t k = 0; k < count && budget > 0; ++k) set(first + k, value);
      }
      i += 3;
    } else {
      // Keep the widths read so far.
      report(font, Messages::kMsgFatalInternal, "20");
      break;
    }
  }
}

void FontLoader::loadUcs2CMap(S_FixedPosSize_Font& font) {
  std::vector<std::string> names;
  const S_FixedPosSize_Font& d = *font.descendant;
  if (!d.registry.empty() && !d.ordering.empty())
    names.push_back(d.registry + "-" + d.ordering + "-UCS2");
  if (d.descriptor) {
    const std::string& lang = d.descriptor->lang;
    if (lang == "ja") names.emplace_back("Adobe-Japan1-UCS2");
    if (lang == "ko-KP" || lang == "ko-KR") names.emplace_back("Adobe-Korea1-UCS2");
  }
  if (font.encodingCMap && !font.encodingCMap->registry().empty() &&
      !font.encodingCMap->ordering().empty()) {
    names.push_back(font.encodingCMap->registry() + "-" + font.encodingCMap->ordering() + "-UCS2");
  }
  for (const std::string& name : names) {
    auto cmap = std::make_unique<CMaps::ToUnicodeCMap>();
    if (cmap->loadByName(name)) {
      font.ucs2CMap = std::move(cmap);
      return;
    }
  }
}

void FontLoader::loadType3Parts(S_FixedPosSize_Font& font) {
  const PdfObject& dict = font.dictionary;
  font.type3Resources = resolvedValue(dict.lookup("Resources"));
  font.type3 = std::make_unique<S_PDF_Type3_Font>();
  PdfObject matrix = resolvedValue(dict.lookup("FontMatrix"));
  if (matrix.isArray() && matrix.elements.size() >= 6) {
    for (int i = 0; i < 6; ++i) font.type3->fontMatrix[i] = matrix.elements[i].realValue();
  }
  font.type3->charProcs = resolvedValue(dict.lookup("CharProcs"));
}

std::string FontLoader::collectionLanguage(const S_FixedPosSize_Font& font) const {
  if (!font.ordering.empty())
    return brevia::platform::languageForCharacterCollection(font.ordering);
  if (font.descriptor) {
    const std::string& lang = font.descriptor->lang;
    if (lang == "ja" || lang.rfind("ja-", 0) == 0) return "ja";
    if (lang.rfind("ko", 0) == 0) return "ko";
    if (lang == "zh-TW" || lang == "zh-HK") return "zh-tw";
    if (lang.rfind("zh", 0) == 0) return "zh-cn";
  }
  return {};
}

void FontLoader::matchFaceName(S_FixedPosSize_Font& font) {
  if (!font.hasBaseFont) {
    font.faceName = kFallbackFace;
    return;
  }
  std::string name = font.baseFont;
  std::string face;
  std::string family;
  if (fontEnum_.matchName(name, face, &family)) {
    font.nameMatched = true;
    font.styleName = truncated(family, S_FixedPosSize_Font::kMaxFaceNameChars);
  } else {
    S_FontStyleFlags style;
    style.baseFont = font.baseFont;
    style.fixedPitch = font.fixedPitch;
    style.serif = font.serif;
    style.symbolic = font.symbolic;
    style.script = font.script;
    style.italic = font.italic;
    if (const FontDescriptorRecord* d = font.descriptor.get()) {
      // The substitute takes the style the descriptor describes, not only the one its flags say.
      style.italic =
          style.italic || std::fabs(d->italicAngle) >= FontDescriptorRecord::kItalicAngle;
      style.bold = d->fontWeight >= FontDescriptorRecord::kBoldWeight ||
                   (d->flags & FontDescriptorRecord::kForceBold) != 0;
    }
    face = fontEnum_.chooseByStyle(style);
  }
  font.faceName = truncated(face, S_FixedPosSize_Font::kMaxFaceNameChars);
}

void FontLoader::matchFixedFaceName(S_FixedPosSize_Font& font) {
  if (!font.hasBaseFont) {
    font.faceName = kFallbackFace;
    return;
  }
  if (std::optional<std::string> fixed = fontEnum_.fixedMatch(font.baseFont)) {
    font.nameMatched = true;
    font.styleName.clear();
    font.faceName = truncated(*fixed, S_FixedPosSize_Font::kMaxFaceNameChars);
    return;
  }
  // Every name the installed faces could give is outside the fixed table, so no comparison with
  // a fixed name changes while it is pending.
  font.faceNamePending = true;
}

const std::string& FontLoader::faceNameOf(S_FixedPosSize_Font& font) {
  if (font.faceNamePending) {
    font.faceNamePending = false;
    matchFaceName(font);
  }
  return font.faceName;
}

void FontLoader::loadSystemFace(S_FixedPosSize_Font& font) {
  if (!library_.get()) return;
  if (!font.hasBaseFont) {
    std::string name = kFallbackFace;
    std::string face;
    if (!fontEnum_.matchName(name, face)) face = kFallbackFace;
    createSystemFace(font, face, false);
    return;
  }
  if (font.faceName == kZapfDingbatsFace) {
    int faceIndex = 0;
    std::shared_ptr<const std::vector<uint8_t>> bytes = installedFont(font.faceName, {}, faceIndex);
    if (!bytes) {
      report(font, Messages::kMsgProgramFileNotFound, "");
      return;
    }
    createFace(font, std::move(bytes), faceIndex);
    return;
  }
  createSystemFace(font, font.faceName, false);
  // A CJK CID font whose face lacks the collection's script takes the system's face for that
  // language, as a face covering all scripts would serve it.
  const std::string language = collectionLanguage(font);
  if (!language.empty() &&
      (font.kind == FontKind::CIDFontType0 || font.kind == FontKind::CIDFontType2) &&
      !coversLanguage(font, language)) {
    std::shared_ptr<FontFace> previous = std::move(font.face);
    std::shared_ptr<FontFace> scriptOnly;
    // Text in these fonts mixes the script with Latin letters; prefer a face that has both.
    for (const char* family :
         {font.serif ? "serif" : "sans-serif", font.serif ? "sans-serif" : "serif"}) {
      createSystemFace(font, family, true);
      if (coversLanguage(font, language)) {
        if (coversCharacter(font, 'A')) return;
        if (!scriptOnly) scriptOnly = font.face;
      }
    }
    font.face = scriptOnly ? std::move(scriptOnly) : std::move(previous);
  }
}

std::shared_ptr<const std::vector<uint8_t>> FontLoader::installedFont(const std::string& faceName,
                                                                      const std::string& language,
                                                                      int& faceIndex) {
  std::optional<brevia::platform::FontLocation> location = fontEnum_.locateFace(faceName, language);
  if (!location) return nullptr;
  // The same few files serve most fonts: their bytes are read once and shared by the faces.
  static brevia::platform::FontFileCache files;
  std::shared_ptr<const std::vector<uint8_t>> bytes = files.read(location->file);
  if (!bytes || bytes->empty()) return nullptr;
  faceIndex = location->faceIndex;
  return bytes;
}

bool FontLoader::createSystemFace(S_FixedPosSize_Font& font, const std::string& faceName,
                                  bool fallback) {
  int faceIndex = 0;
  std::shared_ptr<const std::vector<uint8_t>> bytes =
      installedFont(faceName, collectionLanguage(font), faceIndex);
  if (!bytes) {
    report(font, Messages::kMsgFontCorrupted, "");
    return false;
  }
  if (!fallback) {
    createFace(font, std::move(bytes), faceIndex);
    return font.face != nullptr;
  }
  int32_t error = 0;
  font.face = FontFace::create(library_.get(), std::move(bytes), faceIndex, error);
  library_.lastError = error;
  if (font.face) {
    font.faceOwned = true;
    font.face->get()->charmap = nullptr;
  }
  return font.face != nullptr;
}

bool FontLoader::createFace(S_FixedPosSize_Font& font,
                            std::shared_ptr<const std::vector<uint8_t>> bytes, int faceIndex) {
  if (!library_.get()) return false;
  int32_t error = 0;
  font.face = FontFace::create(library_.get(), std::move(bytes), faceIndex, error);
  library_.lastError = error;
  if (!font.face) {
    createSystemFace(font, kFallbackFace, true);
    return false;
  }
  FT_Face face = font.face->get();
  if (!font.hasBaseFont) {
    if (const char* name = FT_Get_Postscript_Name(face)) {
      font.hasBaseFont = true;
      font.baseFont = name;
    }
  }
  font.faceOwned = true;
  // The charmap selection chooses one.
  face->charmap = nullptr;
  return true;
}

void FontLoader::readEncoding(S_FixedPosSize_Font& font) {
  const PdfObject& dict = font.dictionary;
  const PdfObject* entry = dict.lookup("Encoding");
  font.hasEncodingEntry = entry != nullptr;
  font.encoding = resolvedValue(entry);
  const PdfObject& encoding = font.encoding;
  bool defaultRule = !entry;
  if (encoding.isName()) {
    font.baseEncoding = encodingNamed(encoding);
  } else if (encoding.isDictionary()) {
    if (const PdfObject* base = encoding.lookup("BaseEncoding")) {
      font.baseEncoding = encodingNamed(resolvedValue(base));
    } else {
      defaultRule = true;
    }
    PdfObject differences = resolvedValue(encoding.lookup("Differences"));
    if (differences.isArray()) {
      int code = 0;
      std::size_t read = 0;
      for (const PdfObject& e : differences.elements) {
        if (++read > kMaxDifferencesElements) break;
        if (e.isNumber()) {
          code = e.intValue();
          if (code > 255 || code < 0) break;
        } else if (e.isName()) {
          if (code <= 255) {
            font.differences.set(static_cast<uint8_t>(code), e.text);
            if (font.type3)
              font.type3->names[code] = truncated(e.text, S_PDF_Type3_Font::kMaxGlyphNameBytes);
          }
          ++code;
        }
      }
    }
  }
  if (defaultRule) {
    if (font.faceName == kZapfDingbatsFace) {
      font.baseEncoding = BaseEncodingId::ZapfDingbatsBuiltIn;
    } else if (!font.descriptor || (!font.embedded() && font.nonsymbolic)) {
      font.baseEncoding = BaseEncodingId::Standard;
    } else if (contains(faceNameOf(font), "Wingdings")) {
      font.baseEncoding = BaseEncodingId::Wingdings;
    } else {
      font.baseEncoding = BaseEncodingId::None;
    }
  }
  if (const NameCodeTable* table = tableOfEncoding(font.baseEncoding)) {
    for (int code = 0; code < S_FixedPosSize_Font::kSimpleCodes; ++code)
      font.baseNames[code] = table->nameOf(static_cast<uint16_t>(code));
  }
  if (font.baseEncoding == BaseEncodingId::WinAnsi) {
    for (int code = 32; code < S_FixedPosSize_Font::kSimpleCodes; ++code)
      if (font.differences[code].empty() && !font.baseNames[code]) font.baseNames[code] = "bullet";
  }
  if (font.kind == FontKind::TrueType && font.hasEncodingEntry) {
    const NameCodeTable& standard = nameCodeTable(NameCodeTableId::Standard);
    for (int code = 0; code < S_FixedPosSize_Font::kSimpleCodes; ++code)
      if (font.differences[code].empty() && !font.baseNames[code])
        font.baseNames[code] = standard.nameOf(static_cast<uint16_t>(code));
  }
}

void FontLoader::readWidths(S_FixedPosSize_Font& font) {
  const PdfObject& dict = font.dictionary;
  PdfObject firstChar = resolvedValue(dict.lookup("FirstChar"));
  PdfObject widths = resolvedValue(dict.lookup("Widths"));
  if (!firstChar.isNumber() || !widths.isArray()) return;
  const int64_t first = firstChar.intValue();
  for (std::size_t i = 0; i < widths.elements.size(); ++i) {
    const int64_t code = first + static_cast<int64_t>(i);
    if (code >= S_FixedPosSize_Font::kSimpleCodes) break;
    if (code < 0) continue;
    const PdfObject& e = widths.elements[i];
    double value = 1000;
    if (e.isNumber()) {
      value = e.realValue();
    } else if (e.isReference()) {
      // An indirect width is as good as a direct one.
      PdfObject number = resolvedValue(&e);
      if (number.isNumber()) value = number.realValue();
    }
    font.widths[static_cast<std::size_t>(code)] = value;
  }
}

void FontLoader::fixFaceName(S_FixedPosSize_Font& font) {
  if (font.faceName == kZapfDingbatsFace) {
    font.faceName = fontEnum_.arialUnicodeInstalled() ? "Arial Unicode MS" : "Arial";
  } else if (font.faceName == "Symbol" && font.toUnicodeMap()) {
    font.faceName = kFallbackFace;
  }
}
