#pragma once
// Night mode and the sepia paper tint: a filter between a page bitmap and the screen. Pages are
// shown with their lightness inverted and their hues kept, pictures optionally left as they are;
// printing, export and copy never see it (they draw pages themselves).

#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <vector>

#include "engine/render/pdf_draw.h"

namespace Corvalis::Viewer {

struct NightSettings {
  bool night = false;
  bool keepPictures = false;
  bool sepia = false;
  bool operator==(const NightSettings&) const = default;
  // Whether the screen shows anything but the page bitmap itself.
  bool active() const { return night || sepia; }
};

class NightFilter : public QObject {
  Q_OBJECT

 public:
  // Filtered bitmaps kept, so that repaints and a page shown again cost nothing.
  static constexpr int kCachedImages = 4;

  // The process-wide filter, its settings read from the user's settings on first use.
  static NightFilter& instance();

  const NightSettings& settings() const { return settings_; }
  // Changes and remembers the settings; every view repaints on changed().
  void setSettings(const NightSettings& settings);

  // What the screen shows for a page bitmap drawn by renderPageImage and then turned by
  // rotation degrees: the bitmap itself while the filter is off, else a filtered copy.
  const QImage& screenImage(const QImage& page, int rotation = 0);

  // The filter itself: every pixel outside keep gets its lightness inverted (night), then the
  // paper tint (sepia).
  static QImage filtered(const QImage& page, const NightSettings& settings,
                         const QList<QRect>& keep = {});

  // Picture areas travel with the page bitmap (through copies and turns) as its text.
  static void attachPictureAreas(QImage& page, const std::vector<C_PDF_Draw::ImageArea>& areas);
  // The areas of a bitmap drawn so and turned by rotation degrees, in its turned pixels.
  static QList<QRect> pictureAreas(const QImage& page, int rotation);

 signals:
  void changed();

 private:
  NightFilter();
  struct Entry {
    qint64 key = 0;
    int rotation = 0;
    NightSettings settings;
    QImage image;
  };
  NightSettings settings_;
  std::vector<Entry> cache_;  // most recently used last
};

}  // namespace Corvalis::Viewer
