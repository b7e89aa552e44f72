#pragma once
// What the font matcher needs from the system: the list of installed faces and a lookup of the
// face that serves a family and style. FontconfigSource is the real one; tests feed fixed lists.

#include <optional>
#include <string>
#include <vector>

namespace brevia::platform {

// One installed face as the system describes it.
struct InstalledFace {
  std::string fullName;   // e.g. "Liberation Sans Bold"
  std::string family;     // the family's name, e.g. "Liberation Sans"
  bool trueType = false;  // scalable TrueType or OpenType outlines
  std::string file;       // empty when the face has no file of its own
  int faceIndex = 0;      // face inside the file (collections, named instances)
};

// A request for a face by family and style.
struct FontQuery {
  std::string family;
  bool bold = false;
  bool italic = false;
  std::string language;  // e.g. "zh-cn", "ja"; empty for none
};

// Where a face lives.
struct FontLocation {
  std::string file;
  int faceIndex = 0;
  std::string family;  // family of the face found (may differ from the one asked for)
};

class IFontSource {
 public:
  virtual ~IFontSource() = default;
  // Every installed face, faces of one family together, families in enumeration order.
  // False when the list cannot be had.
  virtual bool listFaces(std::vector<InstalledFace>& out) = 0;
  // The installed face that serves the query best; a substitute when the family is not installed.
  virtual std::optional<FontLocation> matchFace(const FontQuery& query) = 0;
};

}  // namespace brevia::platform
