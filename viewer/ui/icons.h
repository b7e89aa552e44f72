#pragma once
// The viewer's own icon set (24 × 24 toolbar images) and artwork, embedded in the program.

#include <QIcon>
#include <QPixmap>

namespace Corvalis::Viewer {

enum class IconName {
  App,
  Open,
  Print,
  ZoomOut,
  ZoomIn,
  FitPage,
  FitWidth,
  ActualSize,
  RotateClockwise,
  RotateCounterClockwise,
  FirstPage,
  PreviousPage,
  NextPage,
  LastPage,
  TellAFriend,
  FindOptions,
  FindPrevious,
  FindNext,
  About,
  Twitter,
  Facebook,
  Password,
};

enum class Artwork { Splash, StartPanel, OpenButton, OpenButtonPressed };

QIcon viewerIcon(IconName name);
// Pictures with words come in the interface's language.
QPixmap viewerArtwork(Artwork name);
void setEnglishArtwork(bool english);

// The resource path of an icon (":/icons/open.png").
QString iconPath(IconName name);

}  // namespace Corvalis::Viewer
