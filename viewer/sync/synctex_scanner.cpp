#include "viewer/sync/synctex_scanner.h"

#include <synctex_parser.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace Corvalis::Viewer {

namespace {

// Coordinates beyond this many points are not on any page (damaged files give anything).
constexpr double kMaxCoordinate = 1e6;

bool sane(double value) { return std::isfinite(value) && std::abs(value) <= kMaxCoordinate; }

// A record "Input:TAG:NAME" whose tag the library reads as a number.
bool isInputRecord(const char* line) {
  constexpr char kInput[] = "Input:";
  if (std::strncmp(line, kInput, sizeof kInput - 1) != 0) return false;
  const char* p = line + sizeof kInput - 1;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '+' || *p == '-') ++p;
  return std::isdigit(static_cast<unsigned char>(*p)) != 0;
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

bool SyncTexScanner::namesAnInput(const std::string& path) {
  gzFile file = gzopen(path.c_str(), "rb");
  if (!file) return false;
  constexpr int kLine = 4096;
  char line[kLine];
  long read = 0;
  bool lineStart = true;
  bool found = false;
  while (read < kMaxPreambleBytes && gzgets(file, line, kLine)) {
    const std::size_t length = std::strlen(line);
    read += static_cast<long>(length) + 1;
    // A line longer than the buffer goes on in the next piece, which starts no record.
    const bool starts = lineStart;
    lineStart = length > 0 && line[length - 1] == '\n';
    if (!starts) continue;
    if (std::strncmp(line, "Content:", 8) == 0) break;
    if (isInputRecord(line)) {
      found = true;
      break;
    }
  }
  gzclose(file);
  return found;
}

std::unique_ptr<SyncTexScanner> SyncTexScanner::open(const std::string& outputPdf) {
  // The files the library may read for this output: each must be safe to give it.
  const std::size_t slash = outputPdf.find_last_of('/');
  const std::size_t dot = outputPdf.find_last_of('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                               ? outputPdf.substr(0, dot)
                               : outputPdf;
  bool any = false;
  for (const char* suffix : {".synctex.gz", ".synctex"}) {
    const std::string candidate = stem + suffix;
    if (!exists(candidate)) continue;
    if (!namesAnInput(candidate)) return nullptr;
    any = true;
  }
  if (!any) return nullptr;
  synctex_scanner_p scanner = synctex_scanner_new_with_output_file(outputPdf.c_str(), nullptr, 1);
  if (!scanner) return nullptr;
  return std::unique_ptr<SyncTexScanner>(new SyncTexScanner(scanner));
}

SyncTexScanner::~SyncTexScanner() { synctex_scanner_free(scanner_); }

std::vector<SyncTexBox> SyncTexScanner::forward(const std::string& source, int line,
                                                int column) const {
  std::vector<SyncTexBox> boxes;
  if (line < 1 || source.empty()) return boxes;
  if (synctex_display_query(scanner_, source.c_str(), line, column > 0 ? column : -1, 0) <= 0)
    return boxes;
  int page = 0;
  for (int n = 0; n < kMaxResults && static_cast<int>(boxes.size()) < kMaxBoxes; ++n) {
    synctex_node_p node = synctex_scanner_next_result(scanner_);
    if (!node) break;
    const int p = synctex_node_page(node);
    if (p < 1) continue;
    if (page == 0) page = p;
    if (p != page) continue;
    SyncTexBox box;
    box.page = p;
    box.h = synctex_node_box_visible_h(node);
    box.v = synctex_node_box_visible_v(node);
    box.width = synctex_node_box_visible_width(node);
    box.height = synctex_node_box_visible_height(node);
    box.depth = synctex_node_box_visible_depth(node);
    if (!sane(box.h) || !sane(box.v) || !sane(box.width) || !sane(box.height) || !sane(box.depth))
      continue;
    boxes.push_back(box);
  }
  return boxes;
}

std::optional<SyncTexSpot> SyncTexScanner::inverse(int page, double x, double y) const {
  if (page < 1 || !sane(x) || !sane(y)) return std::nullopt;
  if (synctex_edit_query(scanner_, page, static_cast<float>(x), static_cast<float>(y)) <= 0)
    return std::nullopt;
  for (int n = 0; n < kMaxNodes; ++n) {
    synctex_node_p node = synctex_scanner_next_result(scanner_);
    if (!node) break;
    const char* name = synctex_scanner_get_name(scanner_, synctex_node_tag(node));
    if (!name || !*name) continue;
    SyncTexSpot spot;
    spot.name = name;
    spot.line = std::max(1, synctex_node_line(node));
    spot.column = synctex_node_column(node);
    return spot;
  }
  return std::nullopt;
}

std::string SyncTexScanner::inputName(int tag) const {
  const char* name = synctex_scanner_get_name(scanner_, tag);
  return name ? std::string(name) : std::string();
}

}  // namespace Corvalis::Viewer
