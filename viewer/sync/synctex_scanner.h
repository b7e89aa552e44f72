#pragma once
// What the viewer asks of libsynctex, without Qt, every answer bounded: the scanner of one
// synchronisation file, its forward (source line to boxes) and inverse (point to source line)
// queries. The fuzz target drives the library through this class too.

#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct synctex_scanner_t synctex_scanner_s;
typedef synctex_scanner_s* synctex_scanner_p;

namespace Corvalis::Viewer {

// A box in page points from the page's top-left corner: h and v its baseline's left end.
struct SyncTexBox {
  int page = 0;
  double h = 0, v = 0, width = 0, height = 0, depth = 0;
};

struct SyncTexSpot {
  std::string name;
  int line = 0;
  int column = -1;
};

class SyncTexScanner {
 public:
  // Boxes of one forward search kept at most.
  static constexpr int kMaxBoxes = 256;
  // Nodes an inverse search looks at, at most.
  static constexpr int kMaxNodes = 64;
  // Results of any query read at most (the library's list may be longer).
  static constexpr int kMaxResults = 4096;
  // The part before the content is looked at up to this many bytes.
  static constexpr long kMaxPreambleBytes = 16L * 1024 * 1024;

  // Reads the .synctex.gz or .synctex file beside outputPdf; nullptr when there is none or it
  // cannot be read.
  static std::unique_ptr<SyncTexScanner> open(const std::string& outputPdf);
  ~SyncTexScanner();
  SyncTexScanner(const SyncTexScanner&) = delete;
  SyncTexScanner& operator=(const SyncTexScanner&) = delete;

  // The boxes of a source line (column 0 or less: the whole line), all on the first page it
  // reaches.
  std::vector<SyncTexBox> forward(const std::string& source, int line, int column) const;
  // The source place of a point on a page (1-based), as recorded (a name maybe relative).
  std::optional<SyncTexSpot> inverse(int page, double x, double y) const;
  // The name of an input's tag, or an empty text.
  std::string inputName(int tag) const;

  // Whether a synchronisation file (plain or gzip) names an input before its content starts.
  // The library crashes on content that no input precedes, so such a file is not given to it.
  static bool namesAnInput(const std::string& path);

 private:
  explicit SyncTexScanner(synctex_scanner_p scanner) : scanner_(scanner) {}
  synctex_scanner_p scanner_;
};

}  // namespace Corvalis::Viewer
