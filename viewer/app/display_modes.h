#pragma once
// The frame's reading modes and desktop choices: night mode and its options, presentation,
// full screen, and Preferences ▸ making the viewer the default PDF reader.

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QMenu;

namespace Corvalis::Viewer {

class C_Quillon_Frame;
class PresentationWindow;

class DisplayModes : public QObject {
  Q_OBJECT

 public:
  // Adds its entries to the View menus and a Preferences menu to the File menus (before
  // beforeInFile). Lives as long as the frame.
  DisplayModes(C_Quillon_Frame* frame, const QList<QMenu*>& viewMenus,
               const QList<QMenu*>& fileMenus, QAction* beforeInFile);

  // The object of a frame, if it has one.
  static DisplayModes* of(const C_Quillon_Frame* frame);

  QAction* nightAction() const { return night_; }
  QAction* presentationAction() const { return presentation_; }
  QAction* makeDefaultAction() const { return makeDefault_; }
  // The presentation shown now, if any.
  PresentationWindow* presentation() const;
  void startPresentation(bool fullScreen = true);

 private:
  void applyNightSettings();
  void repaintViews();
  void chooseAsDefault();

  C_Quillon_Frame* frame_;
  QAction* night_ = nullptr;
  QAction* keepPictures_ = nullptr;
  QAction* sepia_ = nullptr;
  QAction* presentation_ = nullptr;
  QAction* fullScreen_ = nullptr;
  QAction* makeDefault_ = nullptr;
  QPointer<PresentationWindow> presentationWindow_;
};

}  // namespace Corvalis::Viewer
