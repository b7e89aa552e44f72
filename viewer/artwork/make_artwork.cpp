// Draws the viewer's icon set and pictures into data/icons and data/about.
//   brevia_make_artwork DATA_DIR
// Run it again after changing a drawing; the PNG files it writes are what the viewer embeds.

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kIcon = 24;
const QColor kBlue(0x1f, 0x5f, 0xb0);
const QColor kDarkBlue(0x17, 0x3f, 0x7a);
const QColor kGrey(0x55, 0x5a, 0x62);
const QColor kPaper(0xfb, 0xfb, 0xf8);
const QColor kRed(0xc8, 0x32, 0x3c);

using Drawing = std::function<void(QPainter&)>;

bool save(const QString& path, int w, int h, const Drawing& draw) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  draw(p);
  p.end();
  if (!image.save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

void page(QPainter& p, QRectF r) {
  QPainterPath path;
  const double fold = r.width() * 0.3;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(QPen(kGrey, 1.2));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.setBrush(Qt::NoBrush);
  p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
  p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void magnifier(QPainter& p, QPointF c, double radius) {
  p.setPen(QPen(kGrey, 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c + QPointF(radius * 0.7, radius * 0.7), c + QPointF(radius * 1.9, radius * 1.9));
  p.setPen(QPen(kDarkBlue, 1.8));
  p.setBrush(QColor(0xe4, 0xef, 0xfb));
  p.drawEllipse(c, radius, radius);
}

// A triangle with its tip at tip, pointing left or right.
void triangle(QPainter& p, QPointF tip, double size, bool left) {
  QPainterPath t;
  const double dx = left ? size : -size;
  t.moveTo(tip);
  t.lineTo(tip + QPointF(dx, -size));
  t.lineTo(tip + QPointF(dx, size));
  t.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawPath(t);
}

void arrowArc(QPainter& p, bool clockwise) {
  const QRectF box(4, 4, 16, 16);
  p.setPen(QPen(kBlue, 2.4, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  // An arc of three quarters ending at the top, with the head showing the direction.
  p.drawArc(box, clockwise ? 120 * 16 : 60 * 16, clockwise ? -270 * 16 : 270 * 16);
  const double a = (clockwise ? 120.0 - 270.0 : 60.0 + 270.0) * M_PI / 180.0;
  const QPointF end(12 + 8 * std::cos(a), 12 - 8 * std::sin(a));
  const QPointF tangent =
      clockwise ? QPointF(std::sin(a), std::cos(a)) : QPointF(-std::sin(a), -std::cos(a));
  const QPointF normal(-tangent.y(), tangent.x());
  QPainterPath head;
  head.moveTo(end + tangent * 4.5);
  head.lineTo(end - normal * 4);
  head.lineTo(end + normal * 4);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawPath(head);
}

void roundedTile(QPainter& p, QColor colour) {
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawRoundedRect(QRectF(2, 2, 20, 20), 4, 4);
}

void appIcon(QPainter& p, double s) {
  p.scale(s, s);
  QLinearGradient g(0, 0, 0, 24);
  g.setColorAt(0, QColor(0x2b, 0x74, 0xd0));
  g.setColorAt(1, kDarkBlue);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(1, 1, 22, 22), 4.5, 4.5);
  page(p, QRectF(6, 4, 12, 16));
  p.setPen(QPen(kRed, 1.6, Qt::SolidLine, Qt::RoundCap));
  for (double y : {10.0, 13.0, 16.0})
    p.drawLine(QPointF(8.5, y), QPointF(y == 16.0 ? 12.5 : 15.5, y));
}

void writeIcons(const QString& dir) {
  auto icon = [&](const char* name, const Drawing& d) {
    save(dir + "/" + name + ".png", kIcon, kIcon, d);
  };
  icon("open", [](QPainter& p) {
    page(p, QRectF(9, 2, 11, 13));
    p.setPen(QPen(QColor(0xa8, 0x78, 0x10), 1.2));
    p.setBrush(QColor(0xf2, 0xc2, 0x4a));
    QPainterPath back;
    back.moveTo(2, 7);
    back.lineTo(8, 7);
    back.lineTo(10, 9);
    back.lineTo(20, 9);
    back.lineTo(20, 21);
    back.lineTo(2, 21);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(0xf8, 0xd7, 0x70));
    QPainterPath front;
    front.moveTo(4, 12);
    front.lineTo(23, 12);
    front.lineTo(20, 21);
    front.lineTo(2, 21);
    front.closeSubpath();
    p.drawPath(front);
  });
  icon("print", [](QPainter& p) {
    page(p, QRectF(6, 2, 12, 9));
    p.setPen(QPen(kGrey, 1.2));
    p.setBrush(QColor(0xc9, 0xcd, 0xd3));
    p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(6, 15, 12, 7));
    p.setPen(QPen(kGrey, 1));
    p.drawLine(QPointF(8, 18), QPointF(16, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0xb0, 0x50));
    p.drawEllipse(QPointF(19, 12), 1.2, 1.2);
  });
  icon("zoom_out", [](QPainter& p) {
    magnifier(p, QPointF(10, 10), 7);
    p.setPen(QPen(kDarkBlue, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
  });
  icon("zoom_in", [](QPainter& p) {
    magnifier(p, QPointF(10, 10), 7);
    p.setPen(QPen(kDarkBlue, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
    p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
  });
  icon("fit_page", [](QPainter& p) {
    p.setPen(QPen(kBlue, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2, 2, 20, 20));
    page(p, QRectF(7, 4.5, 10, 15));
  });
  icon("fit_width", [](QPainter& p) {
    page(p, QRectF(5, 2, 14, 20));
    p.setPen(QPen(kBlue, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 13), QPointF(20, 13));
    triangle(p, QPointF(1.5, 13), 3, true);
    triangle(p, QPointF(22.5, 13), 3, false);
  });
  icon("actual_size", [](QPainter& p) {
    page(p, QRectF(4, 2, 16, 20));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kBlue);
    p.drawText(QRectF(4, 7, 16, 12), Qt::AlignCenter, QStringLiteral("1:1"));
  });
  icon("rotate_cw", [](QPainter& p) { arrowArc(p, true); });
  icon("rotate_ccw", [](QPainter& p) { arrowArc(p, false); });
  icon("first_page", [](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(5, 5, 2.5, 14));
    triangle(p, QPointF(8.5, 12), 7, true);
  });
  icon("previous_page", [](QPainter& p) { triangle(p, QPointF(8, 12), 7, true); });
  icon("next_page", [](QPainter& p) { triangle(p, QPointF(16, 12), 7, false); });
  icon("last_page", [](QPainter& p) {
    triangle(p, QPointF(15.5, 12), 7, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(16.5, 5, 2.5, 14));
  });
  icon("tell_a_friend", [](QPainter& p) {
    p.setPen(QPen(kGrey, 1.2));
    p.setBrush(kPaper);
    p.drawRect(QRectF(2, 6, 20, 13));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(2, 6), QPointF(12, 13.5), QPointF(22, 6)}));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    QPainterPath heart;
    heart.moveTo(18, 22);
    heart.cubicTo(12, 18, 15, 13, 18, 16);
    heart.cubicTo(21, 13, 24, 18, 18, 22);
    p.drawPath(heart);
  });
  icon("find_options", [](QPainter& p) {
    QPainterPath t;
    // Shown 12 pixels wide: the triangle spans the whole image.
    t.moveTo(1, 7);
    t.lineTo(23, 7);
    t.lineTo(12, 19);
    t.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    p.drawPath(t);
  });
  icon("find_previous", [](QPainter& p) {
    magnifier(p, QPointF(13, 9), 6);
    triangle(p, QPointF(1.5, 18), 4.5, true);
  });
  icon("find_next", [](QPainter& p) {
    magnifier(p, QPointF(9, 9), 6);
    triangle(p, QPointF(22.5, 18), 4.5, false);
  });
  icon("about", [](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(2, 2, 20, 20));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12, 7.5), 1.8, 1.8);
    p.drawRoundedRect(QRectF(10.3, 10.5, 3.4, 8.5), 1, 1);
  });
  icon("twitter", [](QPainter& p) {
    roundedTile(p, QColor(0x3a, 0xa4, 0xe8));
    p.setBrush(Qt::white);
    QPainterPath bubble;
    bubble.addEllipse(QRectF(5, 6, 14, 10));
    bubble.moveTo(8, 14);
    bubble.lineTo(6, 19);
    bubble.lineTo(11, 15.5);
    p.drawPath(bubble.simplified());
  });
  icon("facebook", [](QPainter& p) {
    roundedTile(p, QColor(0x3b, 0x57, 0x98));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(9, 9), 2.6, 2.6);
    p.drawEllipse(QPointF(15.5, 10), 2.2, 2.2);
    p.drawPie(QRectF(4.5, 12, 9, 10), 0, 180 * 16);
    p.drawPie(QRectF(12, 13, 7.5, 8), 0, 180 * 16);
  });
  icon("password", [](QPainter& p) {
    p.setPen(QPen(kGrey, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(7, 3, 10, 12), 0, 180 * 16);
    p.drawLine(QPointF(7, 9), QPointF(7, 11));
    p.drawLine(QPointF(17, 9), QPointF(17, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0xa8, 0x20));
    p.drawRoundedRect(QRectF(4, 10, 16, 12), 2, 2);
    p.setBrush(kGrey);
    p.drawEllipse(QPointF(12, 15), 1.8, 1.8);
    p.drawRect(QRectF(11.3, 15, 1.4, 4));
  });
  icon("app", [](QPainter& p) { appIcon(p, 1.0); });
}

void title(QPainter& p, QRectF r, const QString& text, int pixels, QColor colour,
           bool bold = true) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  p.setFont(f);
  p.setPen(colour);
  p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
}

struct Texts {
  const char* suffix;
  QString subtitle, tagline, hint, open;
};

void writeAbout(const QString& dir, const Texts& t) {
  // The splash window and the About dialog.
  save(dir + "/splash" + t.suffix + ".png", 480, 300, [&t](QPainter& p) {
    QLinearGradient g(0, 0, 480, 300);
    g.setColorAt(0, QColor(0x1d, 0x4f, 0x96));
    g.setColorAt(1, QColor(0x0e, 0x24, 0x47));
    p.fillRect(QRect(0, 0, 480, 300), g);
    p.save();
    p.translate(345, 46);
    p.rotate(8);
    for (int i = 0; i < 3; ++i) page(p, QRectF(16.0 * i, 10.0 * i, 88, 120));
    p.restore();
    p.save();
    p.translate(34, 40);
    appIcon(p, 3.0);
    p.restore();
    title(p, QRectF(34, 130, 300, 50), QStringLiteral("Brevia Reader"), 34, Qt::white);
    title(p, QRectF(36, 178, 300, 26), t.subtitle, 18, QColor(0xcf, 0xdf, 0xf5), false);
    title(p, QRectF(36, 250, 420, 20), QStringLiteral("Version 0.1  ·  © Corvalis"), 12,
          QColor(0xa9, 0xbd, 0xdb), false);
  });
  // The start panel, with its close mark at x 392–420, y 18–47.
  save(dir + "/start_panel" + t.suffix + ".png", 440, 260, [&t](QPainter& p) {
    QLinearGradient g(0, 0, 0, 260);
    g.setColorAt(0, QColor(0xf7, 0xf9, 0xfc));
    g.setColorAt(1, QColor(0xdc, 0xe4, 0xef));
    p.setPen(QPen(QColor(0x8d, 0x9b, 0xb0), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0.5, 0.5, 439, 259), 8, 8);
    p.save();
    p.translate(28, 24);
    appIcon(p, 2.5);
    p.restore();
    title(p, QRectF(100, 26, 280, 34), QStringLiteral("Brevia Reader"), 26, kDarkBlue);
    title(p, QRectF(100, 60, 300, 24), t.tagline, 15, kGrey, false);
    title(p, QRectF(40, 112, 380, 24), t.hint, 14, kGrey, false);
    p.setPen(QPen(kGrey, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(399, 25), QPointF(413, 40));
    p.drawLine(QPointF(413, 25), QPointF(399, 40));
  });
  auto button = [&t](bool pressed) {
    return [pressed, &t](QPainter& p) {
      QLinearGradient g(0, 0, 0, 44);
      g.setColorAt(0, pressed ? QColor(0x17, 0x45, 0x88) : QColor(0x35, 0x82, 0xdc));
      g.setColorAt(1, pressed ? QColor(0x1f, 0x5f, 0xb0) : QColor(0x1d, 0x57, 0xa6));
      p.setPen(QPen(kDarkBlue, 1));
      p.setBrush(g);
      p.drawRoundedRect(QRectF(0.5, 0.5, 143, 43), 6, 6);
      QFont f(QStringLiteral("DejaVu Sans"));
      f.setPixelSize(16);
      f.setBold(true);
      p.setFont(f);
      p.setPen(Qt::white);
      p.drawText(QRectF(0, pressed ? 1 : 0, 144, 44), Qt::AlignCenter, t.open);
    };
  };
  save(dir + "/open_button" + t.suffix + ".png", 144, 44, button(false));
  save(dir + "/open_button_pressed" + t.suffix + ".png", 144, 44, button(true));
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: brevia_make_artwork DATA_DIR\n");
    return 2;
  }
  const QString data = QString::fromLocal8Bit(argv[1]);
  writeIcons(data + "/icons");
  const QString about = data + "/about";
  save(about + "/app_icon_48.png", 48, 48, [](QPainter& p) { appIcon(p, 2.0); });
  save(about + "/app_icon_256.png", 256, 256, [](QPainter& p) { appIcon(p, 256.0 / 24); });
  writeAbout(about, {"", QStringLiteral("PDF 阅读器"), QStringLiteral("快速、可靠的 PDF 阅读器"),
                     QStringLiteral("打开一个 PDF 文件开始阅读，或把文件拖到窗口中。"),
                     QStringLiteral("打开文件...")});
  writeAbout(about,
             {"_en", QStringLiteral("PDF reader"), QStringLiteral("A fast, careful PDF reader"),
              QStringLiteral("Open a PDF file, or drop one on this window."),
              QStringLiteral("Open File...")});
  return 0;
}
