#pragma once
// What a page view needs from the main window: the shared toolbar boxes, the menus it borrows
// and the printer.

#include <QString>

class QMenu;
class QPrinter;
class QWidget;

namespace Corvalis::Viewer {

class C_PDF_View;

enum class WebPage { Help, TellAFriend, Twitter, Facebook };

class ViewHost {
 public:
  virtual ~ViewHost() = default;
  // Only the active view of the active document window acts on toolbar input.
  virtual bool isActiveView(const C_PDF_View* view) const = 0;
  virtual void setZoomBoxText(const QString& text) = 0;
  // Rewrites the page box and redraws it at once.
  virtual void setPageBoxText(const QString& text) = 0;
  // The page box shows "0 of 0" and the go-to label "Go To Page" again.
  virtual void resetToolbarBoxes() = 0;
  virtual void focusZoomBox() = 0;
  virtual QString findBoxText() const = 0;
  // As if Enter had been released in the find box.
  virtual void findBoxEnter() = 0;
  virtual QWidget* findOptionsButton() const = 0;
  // The main menu's pop-up that holds Copy.
  virtual QMenu* contextMenu() const = 0;
  virtual void openWebPage(WebPage page) = 0;
  virtual QPrinter* printer() = 0;
  // Menu items and buttons may need another look.
  virtual void commandStateChanged() = 0;
  // What the status bar says about the search ("Hit 3 of 27"); empty when no search is shown.
  virtual void setSearchStatus(const QString&) {}
};

}  // namespace Corvalis::Viewer
