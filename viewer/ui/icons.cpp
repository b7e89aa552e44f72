#include "viewer/ui/icons.h"

namespace Corvalis::Viewer {

QString iconPath(IconName name) {
  const char* file = "app";
  switch (name) {
    case IconName::App:
      file = "app";
      break;
    case IconName::Open:
      file = "open";
      break;
    case IconName::Print:
      file = "print";
      break;
    case IconName::ZoomOut:
      file = "zoom_out";
      break;
    case IconName::ZoomIn:
      file = "zoom_in";
      break;
    case IconName::FitPage:
      file = "fit_page";
      break;
    case IconName::FitWidth:
      file = "fit_width";
      break;
    case IconName::ActualSize:
      file = "actual_size";
      break;
    case IconName::RotateClockwise:
      file = "rotate_cw";
      break;
    case IconName::RotateCounterClockwise:
      file = "rotate_ccw";
      break;
    case IconName::FirstPage:
      file = "first_page";
      break;
    case IconName::PreviousPage:
      file = "previous_page";
      break;
    case IconName::NextPage:
      file = "next_page";
      break;
    case IconName::LastPage:
      file = "last_page";
      break;
    case IconName::TellAFriend:
      file = "tell_a_friend";
      break;
    case IconName::FindOptions:
      file = "find_options";
      break;
    case IconName::FindPrevious:
      file = "find_previous";
      break;
    case IconName::FindNext:
      file = "find_next";
      break;
    case IconName::About:
      file = "about";
      break;
    case IconName::Twitter:
      file = "twitter";
      break;
    case IconName::Facebook:
      file = "facebook";
      break;
    case IconName::Password:
      file = "password";
      break;
  }
  return QStringLiteral(":/icons/%1.png").arg(QLatin1String(file));
}

QIcon viewerIcon(IconName name) {
  QIcon icon(iconPath(name));
  if (name == IconName::App) icon.addFile(QStringLiteral(":/about/app_icon_48.png"));
  return icon;
}

namespace {

bool g_englishArtwork = false;

}  // namespace

void setEnglishArtwork(bool english) { g_englishArtwork = english; }

QPixmap viewerArtwork(Artwork name) {
  const char* file = "splash";
  switch (name) {
    case Artwork::Splash:
      file = "splash";
      break;
    case Artwork::StartPanel:
      file = "start_panel";
      break;
    case Artwork::OpenButton:
      file = "open_button";
      break;
    case Artwork::OpenButtonPressed:
      file = "open_button_pressed";
      break;
  }
  return QPixmap(
      QStringLiteral(":/about/%1%2.png")
          .arg(QLatin1String(file), g_englishArtwork ? QStringLiteral("_en") : QString()));
}

}  // namespace Corvalis::Viewer
