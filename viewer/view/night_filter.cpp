#include "viewer/view/night_filter.h"

#include <QSettings>
#include <QStringList>
#include <QTransform>
#include <algorithm>

#include "viewer/messages/app_identity.h"

namespace Corvalis::Viewer {

namespace {

constexpr char kAreasKey[] = "brevia-picture-areas";
// Areas read back from a bitmap's text; more were never written.
constexpr int kMaxAreas = static_cast<int>(C_PDF_Draw::kMaxImageAreas);
// Sepia paper and ink by day; by night the paper is dark and the ink light.
constexpr QRgb kSepiaPaper = 0xFFF4ECD8, kSepiaInk = 0xFF3B2F22;
constexpr QRgb kNightSepiaPaper = 0xFF1E1A14, kNightSepiaInk = 0xFFE8DCC0;

// Lightness inverted, hue and saturation kept: in HSL the chroma (max − min) is the same for L
// and 1 − L, so every channel moves by the same amount and the new extremes are the old ones
// mirrored (max′ = 1 − min, min′ = 1 − max). Premultiplied values scale with alpha.
inline QRgb inverted(QRgb p) {
  const int a = qAlpha(p), r = qRed(p), g = qGreen(p), b = qBlue(p);
  const int shift = a - std::max({r, g, b}) - std::min({r, g, b});
  return qRgba(r + shift, g + shift, b + shift, a);
}

// Maps black..white of each channel onto ink..paper.
struct Tint {
  int ink[3], span[3];
  Tint(QRgb ink_, QRgb paper) {
    const int i[3] = {qRed(ink_), qGreen(ink_), qBlue(ink_)};
    const int p[3] = {qRed(paper), qGreen(paper), qBlue(paper)};
    for (int c = 0; c < 3; ++c) {
      ink[c] = i[c];
      span[c] = p[c] - i[c];
    }
  }
  QRgb operator()(QRgb p) const {
    const int a = qAlpha(p);
    if (a == 0) return p;
    const int v[3] = {qRed(p), qGreen(p), qBlue(p)};
    int out[3];
    // On premultiplied values: ink·a + span·v, which stays within 0..a.
    for (int c = 0; c < 3; ++c) out[c] = (ink[c] * a + span[c] * v[c] + 127) / 255;
    return qRgba(out[0], out[1], out[2], a);
  }
};

}  // namespace

NightFilter& NightFilter::instance() {
  static NightFilter* filter = new NightFilter;  // lives as long as the process
  return *filter;
}

NightFilter::NightFilter() {
  QSettings s(kOrganisationName, kSettingsApplicationName);
  settings_.night = s.value(QStringLiteral("View/NightMode"), false).toBool();
  settings_.keepPictures = s.value(QStringLiteral("View/NightModeKeepsPictures"), false).toBool();
  settings_.sepia = s.value(QStringLiteral("View/SepiaPaper"), false).toBool();
}

void NightFilter::setSettings(const NightSettings& settings) {
  if (settings == settings_) return;
  settings_ = settings;
  QSettings s(kOrganisationName, kSettingsApplicationName);
  s.setValue(QStringLiteral("View/NightMode"), settings.night);
  s.setValue(QStringLiteral("View/NightModeKeepsPictures"), settings.keepPictures);
  s.setValue(QStringLiteral("View/SepiaPaper"), settings.sepia);
  cache_.clear();
  emit changed();
}

const QImage& NightFilter::screenImage(const QImage& page, int rotation) {
  if (!settings_.active() || page.isNull()) return page;
  const qint64 key = page.cacheKey();
  for (auto it = cache_.begin(); it != cache_.end(); ++it) {
    if (it->key == key && it->rotation == rotation && it->settings == settings_) {
      std::rotate(it, it + 1, cache_.end());
      return cache_.back().image;
    }
  }
  if (static_cast<int>(cache_.size()) >= kCachedImages) cache_.erase(cache_.begin());
  const QList<QRect> keep =
      settings_.night && settings_.keepPictures ? pictureAreas(page, rotation) : QList<QRect>();
  cache_.push_back({key, rotation, settings_, filtered(page, settings_, keep)});
  return cache_.back().image;
}

QImage NightFilter::filtered(const QImage& page, const NightSettings& settings,
                             const QList<QRect>& keep) {
  QImage out = page.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (out.isNull() || !settings.active()) return out;
  // Which pixels of each row stay: the kept areas as spans per row.
  std::vector<uint8_t> kept;
  if (!keep.isEmpty()) {
    kept.assign(static_cast<std::size_t>(out.width()) * out.height(), 0);
    for (const QRect& r : keep) {
      const QRect c = r.intersected(out.rect());
      for (int y = c.top(); y <= c.bottom(); ++y)
        std::fill_n(kept.begin() + static_cast<std::ptrdiff_t>(y) * out.width() + c.left(),
                    c.width(), uint8_t(1));
    }
  }
  const Tint tint =
      settings.night ? Tint(kNightSepiaPaper, kNightSepiaInk) : Tint(kSepiaInk, kSepiaPaper);
  for (int y = 0; y < out.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    const uint8_t* keepRow =
        kept.empty() ? nullptr : kept.data() + static_cast<std::size_t>(y) * out.width();
    for (int x = 0; x < out.width(); ++x) {
      if (keepRow && keepRow[x]) continue;
      QRgb p = row[x];
      if (settings.night) p = inverted(p);
      // By night the tint takes the inverted page: its dark paper to sepia dark, its light
      // ink to sepia light.
      if (settings.sepia) p = tint(p);
      row[x] = p;
    }
  }
  return out;
}

void NightFilter::attachPictureAreas(QImage& page,
                                     const std::vector<C_PDF_Draw::ImageArea>& areas) {
  if (areas.empty()) return;
  // The size drawn first, then x,y,w,h of each area.
  QStringList parts{QStringLiteral("%1,%2").arg(page.width()).arg(page.height())};
  for (const auto& a : areas)
    parts << QStringLiteral("%1,%2,%3,%4").arg(a.x).arg(a.y).arg(a.width).arg(a.height);
  page.setText(QLatin1String(kAreasKey), parts.join(QLatin1Char(';')));
}

QList<QRect> NightFilter::pictureAreas(const QImage& page, int rotation) {
  const QStringList parts =
      page.text(QLatin1String(kAreasKey)).split(QLatin1Char(';'), Qt::SkipEmptyParts);
  if (parts.isEmpty()) return {};
  const QStringList size = parts.front().split(QLatin1Char(','));
  if (size.size() != 2) return {};
  const int w = size[0].toInt(), h = size[1].toInt();
  if (w <= 0 || h <= 0) return {};
  // The turn as QImage::transformed makes it: the rotation moved to the bitmap's origin.
  const QTransform turn = QImage::trueMatrix(QTransform().rotate(rotation), w, h);
  QList<QRect> areas;
  for (int i = 1; i < parts.size() && areas.size() < kMaxAreas; ++i) {
    const QStringList v = parts[i].split(QLatin1Char(','));
    if (v.size() != 4) continue;
    const QRect r(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt());
    if (r.isEmpty()) continue;
    areas << turn.mapRect(QRectF(r)).toAlignedRect().intersected(page.rect());
  }
  return areas;
}

}  // namespace Corvalis::Viewer
