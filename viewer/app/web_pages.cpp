#include "viewer/app/web_pages.h"

#include <QDesktopServices>
#include <QSettings>

#include "viewer/messages/app_identity.h"

namespace Corvalis::Viewer {

namespace {

struct PageEntry {
  const char* key;
  const char* address;
};

PageEntry entryFor(WebPage page) {
  switch (page) {
    case WebPage::Help:
      return {"Web/Help", "https://www.corvalis.com/brevia/help"};
    case WebPage::TellAFriend:
      return {"Web/TellAFriend", "https://www.corvalis.com/brevia/tell-a-friend"};
    case WebPage::Twitter:
      return {"Web/Twitter", "https://twitter.com/corvalis"};
    case WebPage::Facebook:
      return {"Web/Facebook", "https://www.facebook.com/corvalis"};
  }
  return {"Web/Help", "https://www.corvalis.com/brevia/help"};
}

}  // namespace

QUrl WebPages::address(WebPage page) {
  const PageEntry entry = entryFor(page);
  QSettings settings(kOrganisationName, kSettingsApplicationName);
  const QString configured = settings.value(QLatin1String(entry.key)).toString();
  const QUrl url(configured.isEmpty() ? QString::fromLatin1(entry.address) : configured);
  // Only web addresses are handed to the browser.
  if (url.isValid() &&
      (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")))
    return url;
  return QUrl(QString::fromLatin1(entry.address));
}

bool WebPages::open(WebPage page) { return QDesktopServices::openUrl(address(page)); }

}  // namespace Corvalis::Viewer
