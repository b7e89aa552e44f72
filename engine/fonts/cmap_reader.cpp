#include "engine/fonts/cmap_reader.h"

#include <utility>

namespace CMaps {

bool CMapReader::next(PdfObject& object) {
  if (hasPending_) {
    object = std::move(pending_);
    pending_.clear();
    hasPending_ = false;
    return true;
  }
  // readObject fails only at the end of the source, and consumes at least one byte otherwise.
  return lexer_.readObject(object);
}

void CMapReader::putBack(PdfObject object) {
  pending_ = std::move(object);
  hasPending_ = true;
}

}  // namespace CMaps
