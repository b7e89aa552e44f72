#pragma once
// The maker's web pages (help, tell a friend and its pages on two social services), opened in
// the default browser. Each address can be changed in the settings (section "Web").

#include <QUrl>

#include "viewer/view/view_host.h"

namespace Corvalis::Viewer {

class WebPages {
 public:
  // The address of a page: the setting "Web/<Key>" when present, else the built-in one.
  static QUrl address(WebPage page);
  // Opens the page in the default browser; false when no browser took it.
  static bool open(WebPage page);
};

}  // namespace Corvalis::Viewer
