#include "engine/writer/pdf_writer.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "engine/writer/object_serializer.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f'; }

PdfObject number(int64_t value) { return PdfObject(PdfObjectKind::Number, std::to_string(value)); }

// Consecutive runs of object numbers: first number and count.
std::vector<std::pair<int32_t, int32_t>> runs(const std::vector<int32_t>& sorted) {
  std::vector<std::pair<int32_t, int32_t>> out;
  for (int32_t n : sorted) {
    if (!out.empty() && out.back().first + out.back().second == n)
      ++out.back().second;
    else
      out.push_back({n, 1});
  }
  return out;
}

void putBigEndian(std::string& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::optional<LastXrefSection> findLastXrefSection(std::string_view file) {
  const std::size_t from = file.size() > kStartXrefSearch ? file.size() - kStartXrefSearch : 0;
  const std::size_t at = file.rfind("startxref");
  if (at == std::string_view::npos || at < from) return std::nullopt;
  std::size_t i = at + 9;
  while (i < file.size() && isSpace(file[i])) ++i;
  int64_t offset = 0;
  std::size_t digits = 0;
  while (i < file.size() && file[i] >= '0' && file[i] <= '9' && digits < 18) {
    offset = offset * 10 + (file[i++] - '0');
    ++digits;
  }
  if (digits == 0 || offset >= static_cast<int64_t>(file.size())) return std::nullopt;
  LastXrefSection section;
  section.offset = offset;
  std::size_t p = static_cast<std::size_t>(offset);
  while (p < file.size() && isSpace(file[p])) ++p;
  section.kind = file.substr(p, 4) == "xref" ? XrefKind::Table : XrefKind::Stream;
  return section;
}

bool PdfWriter::add(WrittenObject object) {
  if (object.number < 1 || object.number > kMaxObjectNumber) return false;
  object.generation = std::clamp(object.generation, 0, 65535);
  for (WrittenObject& existing : objects_) {
    if (existing.number == object.number) {
      existing = std::move(object);
      return true;
    }
  }
  objects_.push_back(std::move(object));
  return true;
}

void PdfWriter::append(std::string& out, const PdfObject& trailerEntries, XrefKind kind,
                       int32_t size, std::optional<int64_t> prev, bool withFreeHead) const {
  std::map<int32_t, std::pair<int64_t, int32_t>> offsets;  // number: offset, generation
  std::vector<const WrittenObject*> ordered;
  for (const WrittenObject& o : objects_) ordered.push_back(&o);
  std::sort(ordered.begin(), ordered.end(),
            [](const WrittenObject* a, const WrittenObject* b) { return a->number < b->number; });
  for (const WrittenObject* o : ordered) {
    if (!out.empty() && out.back() != '\n') out += '\n';
    offsets[o->number] = {static_cast<int64_t>(out.size()), o->generation};
    out += std::to_string(o->number) + ' ' + std::to_string(o->generation) + " obj\n";
    out += serializeObject(o->value);
    out += "\nendobj\n";
  }
  int32_t highest = ordered.empty() ? 0 : ordered.back()->number;
  // The trailer: the given entries without those the writer sets.
  PdfObject trailer(PdfObjectKind::Dictionary);
  for (const DictEntry& e : trailerEntries.entries)
    if (e.key != "Size" && e.key != "Prev" && e.key != "XRefStm" && e.key != "Type" &&
        e.key != "W" && e.key != "Index" && e.key != "Filter" && e.key != "DecodeParms" &&
        e.key != "Length")
      trailer.add(e.key, e.value);
  if (!out.empty() && out.back() != '\n') out += '\n';
  const int64_t sectionOffset = static_cast<int64_t>(out.size());
  if (kind == XrefKind::Table) {
    const int32_t total = std::max(size, highest + 1);
    std::vector<int32_t> numbers;
    if (withFreeHead) numbers.push_back(0);
    for (const auto& [n, where] : offsets) numbers.push_back(n);
    out += "xref\n";
    char line[32];
    for (const auto& [first, count] : runs(numbers)) {
      out += std::to_string(first) + ' ' + std::to_string(count) + '\n';
      for (int32_t n = first; n < first + count; ++n) {
        if (n == 0) {
          out += "0000000000 65535 f\r\n";
          continue;
        }
        const auto& [offset, generation] = offsets[n];
        std::snprintf(line, sizeof line, "%010lld %05d n\r\n", static_cast<long long>(offset),
                      generation);
        out += line;
      }
    }
    PdfObject dict(PdfObjectKind::Dictionary);
    dict.add("Size", number(total));
    if (prev) dict.add("Prev", number(*prev));
    for (const DictEntry& e : trailer.entries) dict.add(e.key, e.value);
    out += "trailer\n" + serializeObject(dict) + "\n";
  } else {
    // The section is itself an object, numbered after every other.
    const int32_t self = std::max(size, highest + 1);
    offsets[self] = {sectionOffset, 0};
    const int32_t total = self + 1;
    std::vector<int32_t> numbers;
    if (withFreeHead) numbers.push_back(0);
    for (const auto& [n, where] : offsets) numbers.push_back(n);
    const int offsetBytes = sectionOffset > 0xFFFFFFFFLL ? 8 : 4;
    std::string data;
    PdfObject index(PdfObjectKind::Array);
    for (const auto& [first, count] : runs(numbers)) {
      index.elements.push_back(number(first));
      index.elements.push_back(number(count));
      for (int32_t n = first; n < first + count; ++n) {
        if (n == 0) {
          putBigEndian(data, 0, 1);
          putBigEndian(data, 0, offsetBytes);
          putBigEndian(data, 65535, 2);
          continue;
        }
        putBigEndian(data, 1, 1);
        putBigEndian(data, static_cast<uint64_t>(offsets[n].first), offsetBytes);
        putBigEndian(data, static_cast<uint64_t>(offsets[n].second), 2);
      }
    }
    PdfObject stream(PdfObjectKind::Stream);
    stream.add("Type", PdfObject(PdfObjectKind::Name, "XRef"));
    stream.add("Size", number(total));
    PdfObject w(PdfObjectKind::Array);
    w.elements = {number(1), number(offsetBytes), number(2)};
    stream.add("W", w);
    stream.add("Index", index);
    if (prev) stream.add("Prev", number(*prev));
    for (const DictEntry& e : trailer.entries) stream.add(e.key, e.value);
    std::string compressed = flateCompress(data);
    if (!compressed.empty()) {
      stream.add("Filter", PdfObject(PdfObjectKind::Name, "FlateDecode"));
      stream.text = std::move(compressed);
    } else {
      stream.text = std::move(data);
    }
    out += std::to_string(self) + " 0 obj\n" + serializeObject(stream) + "\nendobj\n";
  }
  out += "startxref\n" + std::to_string(sectionOffset) + "\n%%EOF\n";
}

std::string PdfWriter::document(const PdfObject& trailerEntries, XrefKind kind) const {
  // A binary comment marks the file as holding binary data.
  std::string out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
  int32_t highest = 0;
  for (const WrittenObject& o : objects_) highest = std::max(highest, o.number);
  append(out, trailerEntries, kind, highest + 1, std::nullopt, true);
  return out;
}

std::optional<std::string> PdfWriter::incrementalUpdate(std::string_view original,
                                                        const PdfObject& trailerEntries,
                                                        int32_t previousSize) const {
  const std::optional<LastXrefSection> last = findLastXrefSection(original);
  if (!last) return std::nullopt;
  std::string out(original);
  // The update starts on a line of its own, after the original's %%EOF.
  if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += '\n';
  append(out, trailerEntries, last->kind, std::max(previousSize, 1), last->offset, false);
  return out;
}
