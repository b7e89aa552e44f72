#include "viewer/app/lock_keys.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

// After the Qt headers: the X headers define macros such as None and Bool.
#include <X11/XKBlib.h>

namespace Corvalis::Viewer {

std::optional<LockKeyState> readLockKeys() {
#if QT_CONFIG(xcb)
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return std::nullopt;
  // The indicators by name: their numbers differ between keyboard layouts.
  static const Atom caps = XInternAtom(display, "Caps Lock", False);
  static const Atom num = XInternAtom(display, "Num Lock", False);
  static const Atom scroll = XInternAtom(display, "Scroll Lock", False);
  auto isOn = [display](Atom name) {
    Bool on = False;
    return XkbGetNamedIndicator(display, name, nullptr, &on, nullptr, nullptr) && on;
  };
  return LockKeyState{isOn(caps), isOn(num), isOn(scroll)};
#else
  return std::nullopt;
#endif
}

}  // namespace Corvalis::Viewer
