#pragma once
// A place in a TeX source, as a forward search names it.

#include <QString>

namespace Corvalis::Viewer {

// --synctex-forward LINE:COLUMN:TEXFILE.
struct SourcePlace {
  int line = 0;
  int column = 0;
  QString file;
  bool operator==(const SourcePlace&) const = default;
};

}  // namespace Corvalis::Viewer
