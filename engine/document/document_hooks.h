#pragma once
// Interfaces through which the document reaches parts that live above it: the viewer's
// password dialog and progress window, and the renderer's per-document caches.

#include <memory>
#include <optional>
#include <string>

class PdfObject;

// Asks the user for a password; nullopt when the request was cancelled.
class IPasswordProvider {
 public:
  virtual ~IPasswordProvider() = default;
  virtual std::optional<std::string> askPassword() = 0;
};

// Progress of the page-tree walk (a window in the viewer; silent in the command-line tool).
class IProgressSink {
 public:
  virtual ~IProgressSink() = default;
  virtual void start(const std::string& text, int maximum, bool visible) = 0;
  virtual void setPosition(int position) = 0;
  virtual void finish() = 0;
};

// The per-document font cache, created by the renderer.
class IDocumentFontCache {
 public:
  virtual ~IDocumentFontCache() = default;
  virtual void trim(bool force) = 0;
  // Releases the cached fonts before the page tree goes away.
  virtual void clearContents() = 0;
};

// A page's prepared resources, built by the renderer from a Resources dictionary.
class IResourceList {
 public:
  virtual ~IResourceList() = default;
};
