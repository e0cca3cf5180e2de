// Draws the viewer's pictures (tool bar, window buttons, title bar, logos) with QPainter.
// Run once through make_icons.sh; the PNG and ICO files it writes are committed.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QColor kInk(236, 242, 255);     // main strokes, light on the dark bars
const QColor kAccent(64, 196, 255);   // fills and highlights
const QColor kWarm(255, 138, 76);     // the broken-link spark
const QColor kAxisX(255, 96, 96);
const QColor kAxisY(110, 224, 110);
const QColor kAxisZ(90, 170, 255);

// Every picture is drawn in a square of `units` and scaled to its pixel size.
struct Picture {
  const char* file;   // relative to the resources folder
  int width;
  int height;
  double units;       // drawing units across the width
  std::function<void(QPainter&)> draw;
};

QPen ink(double w = 2.4, QColor c = kInk) {
  QPen p(c, w);
  p.setCapStyle(Qt::RoundCap);
  p.setJoinStyle(Qt::RoundJoin);
  return p;
}

QColor alpha(QColor c, int a) {
  c.setAlpha(a);
  return c;
}

void arrowHead(QPainter& p, QPointF tip, QPointF from, double size, const QColor& c) {
  const QPointF d = tip - from;
  const double len = std::hypot(d.x(), d.y());
  const QPointF u = d / len;
  const QPointF n(-u.y(), u.x());
  QPolygonF head;
  head << tip << tip - u * size + n * size * 0.55 << tip - u * size - n * size * 0.55;
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(head);
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, double w = 2.4) {
  const QPointF d = to - from;
  const double len = std::hypot(d.x(), d.y());
  p.setPen(ink(w, c));
  p.drawLine(from, to - d / len * 4.0);
  arrowHead(p, to, from, 6.5, c);
}

// Oblique cube for the five view buttons; `face` is filled.
enum class Face { Top, Front, Back, Left, Right };

void cube(QPainter& p, Face face) {
  const QPointF f0(9, 15), f1(25, 15), f2(25, 31), f3(9, 31);  // front square
  const QPointF b0(16, 8), b1(32, 8), b2(32, 24), b3(16, 24);  // back square
  QPolygonF fill;
  switch (face) {
    case Face::Top: fill << f0 << f1 << b1 << b0; break;
    case Face::Front: fill << f0 << f1 << f2 << f3; break;
    case Face::Back: fill << b0 << b1 << b2 << b3; break;
    case Face::Left: fill << f0 << b0 << b3 << f3; break;
    case Face::Right: fill << f1 << b1 << b2 << f2; break;
  }
  const bool hidden = face == Face::Back || face == Face::Left;
  p.setPen(Qt::NoPen);
  p.setBrush(alpha(kAccent, hidden ? 150 : 210));
  p.drawPolygon(fill);
  // Edges meeting the hidden corner b3 are dashed.
  QPen dashed = ink(1.6);
  dashed.setDashPattern({2.0, 1.6});
  p.setPen(dashed);
  p.drawLine(b3, b0);
  p.drawLine(b3, b2);
  p.drawLine(b3, f3);
  p.setPen(ink(2.2));
  p.setBrush(Qt::NoBrush);
  p.drawPolygon(QPolygonF() << f0 << f1 << f2 << f3);
  p.drawLine(f0, b0);
  p.drawLine(f1, b1);
  p.drawLine(f2, b2);
  p.drawLine(b0, b1);
  p.drawLine(b1, b2);
}

void palette(QPainter& p) {  // in 40 units
  QPainterPath blob;
  blob.addEllipse(QRectF(7, 8, 26, 24));
  QPainterPath thumb;
  thumb.addEllipse(QRectF(22, 22, 8, 7));
  p.setPen(ink(2.2));
  p.setBrush(alpha(kInk, 40));
  p.drawPath(blob.subtracted(thumb));
  const QColor dots[] = {kAxisX, QColor(255, 214, 70), kAxisY, kAxisZ};
  const QPointF at[] = {{14, 15}, {21, 12.5}, {27.5, 16}, {13, 23}};
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) {
    p.setBrush(dots[i]);
    p.drawEllipse(at[i], 2.8, 2.8);
  }
}

void gear(QPainter& p, QPointF c, double outer, double inner, double hole, int teeth) {
  QPainterPath g;
  for (int i = 0; i < teeth * 4; ++i) {
    const double a = 2 * M_PI * (i - 0.5) / (teeth * 4);
    const double r = (i % 4 < 2) ? outer : inner;
    const QPointF pt = c + QPointF(std::cos(a) * r, std::sin(a) * r);
    if (i == 0) g.moveTo(pt); else g.lineTo(pt);
  }
  g.closeSubpath();
  QPainterPath h;
  h.addEllipse(c, hole, hole);
  p.setPen(ink(2.0));
  p.setBrush(alpha(kAccent, 120));
  p.drawPath(g.subtracted(h));
}

void crossMark(QPainter& p, double lo, double hi, double w) {
  p.setPen(ink(w));
  p.drawLine(QPointF(lo, lo), QPointF(hi, hi));
  p.drawLine(QPointF(hi, lo), QPointF(lo, hi));
}

void chain(QPainter& p, double gap, const QColor& second) {
  // Two capsules along the diagonal; `gap` pulls them apart.
  auto capsule = [&](QPointF c, const QColor& col) {
    p.save();
    p.translate(c);
    p.rotate(-45);
    p.setPen(ink(3.0, col));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(-8, -4.5, 16, 9), 4.5, 4.5);
    p.restore();
  };
  const double o = 5.5 + gap;
  capsule(QPointF(20 - o, 20 + o), kInk);
  capsule(QPointF(20 + o, 20 - o), second);
}

// Lidar emblem: a sensor dot sending three scan arcs to the right.
void emblem(QPainter& p, QRectF r) {
  const QPointF c(r.left() + r.width() * 0.30, r.center().y());
  const double u = r.height();
  QRadialGradient glow(c, u * 0.5);
  glow.setColorAt(0, alpha(kAccent, 120));
  glow.setColorAt(1, alpha(kAccent, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(c, u * 0.5, u * 0.5);
  p.setBrush(kInk);
  p.drawEllipse(c, u * 0.09, u * 0.09);
  for (int i = 1; i <= 3; ++i) {
    const double rad = u * (0.14 + 0.12 * i);
    p.setPen(ink(u * 0.055, i == 3 ? kAccent : kInk));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - rad, c.y() - rad, 2 * rad, 2 * rad), -50 * 16, 100 * 16);
  }
}

std::vector<Picture> pictures() {
  std::vector<Picture> list;
  auto tool = [&](const char* file, std::function<void(QPainter&)> f) {
    list.push_back({file, 40, 40, 40, std::move(f)});
  };

  tool("images2/open.png", [](QPainter& p) {
    p.setPen(ink(2.2));
    p.setBrush(alpha(kInk, 30));
    p.drawPolygon(QPolygonF() << QPointF(8, 11) << QPointF(16, 11) << QPointF(19, 14)
                              << QPointF(30, 14) << QPointF(30, 30) << QPointF(8, 30));
    p.setBrush(alpha(kAccent, 220));
    p.drawPolygon(QPolygonF() << QPointF(12, 19) << QPointF(34, 19) << QPointF(30, 30)
                              << QPointF(8, 30));
  });
  tool("images2/connect.png", [](QPainter& p) { chain(p, 0.0, kAccent); });
  tool("images2/disconnect.png", [](QPainter& p) {
    chain(p, 3.5, kInk);
    p.setPen(ink(2.0, kWarm));
    p.drawLine(QPointF(12, 12), QPointF(16, 16));
    p.drawLine(QPointF(24, 24), QPointF(28, 28));
    p.drawLine(QPointF(20, 9), QPointF(20, 13));
    p.drawLine(QPointF(27, 20), QPointF(31, 20));
  });
  tool("images2/grid.png", [](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(alpha(kAccent, 70));
    p.drawRect(QRectF(9, 9, 22, 22));
    p.setPen(ink(1.8));
    for (int i = 0; i <= 3; ++i) {
      const double v = 9 + i * 22.0 / 3;
      p.drawLine(QPointF(v, 9), QPointF(v, 31));
      p.drawLine(QPointF(9, v), QPointF(31, v));
    }
  });
  tool("images2/coordinate.png", [](QPainter& p) {
    const QPointF o(17, 24);
    arrow(p, o, QPointF(34, 24), kAxisX);
    arrow(p, o, QPointF(17, 6), kAxisZ);
    arrow(p, o, QPointF(6, 35), kAxisY);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(o, 2.4, 2.4);
  });
  tool("images2/box_select.png", [](QPainter& p) {
    QPen dashed = ink(2.0);
    dashed.setDashPattern({2.2, 1.6});
    p.setPen(dashed);
    p.setBrush(alpha(kAccent, 60));
    p.drawRect(QRectF(7, 7, 20, 20));
    QPolygonF cursor;
    cursor << QPointF(20, 20) << QPointF(34, 26) << QPointF(28, 28) << QPointF(26, 34);
    p.setPen(ink(1.4, QColor(0, 0, 50)));
    p.setBrush(kInk);
    p.drawPolygon(cursor);
  });
  tool("images2/measure.png", [](QPainter& p) {
    p.save();
    p.translate(20, 20);
    p.rotate(-45);
    p.setPen(ink(2.0));
    p.setBrush(alpha(kAccent, 150));
    p.drawRect(QRectF(-15, -5, 30, 10));
    for (int i = -3; i <= 3; ++i) {
      const double x = i * 4.0;
      p.drawLine(QPointF(x, -5), QPointF(x, i % 2 == 0 ? -0.5 : -2.5));
    }
    p.restore();
  });
  tool("images2/clear.png", [](QPainter& p) {
    p.setPen(ink(2.2));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(9, 12), QPointF(31, 12));
    p.drawPolyline(QPolygonF() << QPointF(16, 12) << QPointF(17, 8) << QPointF(23, 8)
                               << QPointF(24, 12));
    p.setBrush(alpha(kAccent, 90));
    p.drawPolygon(QPolygonF() << QPointF(12, 15) << QPointF(28, 15) << QPointF(26.5, 32)
                              << QPointF(13.5, 32));
    for (double x : {16.5, 20.0, 23.5}) p.drawLine(QPointF(x, 19), QPointF(x, 28));
  });
  tool("images2/list.png", [](QPainter& p) {
    for (int i = 0; i < 4; ++i) {
      const double y = 11 + i * 6;
      p.setPen(Qt::NoPen);
      p.setBrush(kAccent);
      p.drawRect(QRectF(8, y - 2, 4, 4));
      p.setPen(ink(2.4));
      p.drawLine(QPointF(16, y), QPointF(32, y));
    }
  });
  tool("images2/view_top.png", [](QPainter& p) { cube(p, Face::Top); });
  tool("images2/view_front.png", [](QPainter& p) { cube(p, Face::Front); });
  tool("images2/view_back.png", [](QPainter& p) { cube(p, Face::Back); });
  tool("images2/view_left.png", [](QPainter& p) { cube(p, Face::Left); });
  tool("images2/view_right.png", [](QPainter& p) { cube(p, Face::Right); });
  tool("images2/full_screen.png", [](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(alpha(kAccent, 70));
    p.drawRect(QRectF(14, 14, 12, 12));
    const QPointF c(20, 20);
    for (int sx : {-1, 1})
      for (int sy : {-1, 1}) {
        const QPointF corner = c + QPointF(sx * 12, sy * 12);
        p.setPen(ink(2.4));
        p.drawLine(corner, corner - QPointF(sx * 7, 0));
        p.drawLine(corner, corner - QPointF(0, sy * 7));
        arrow(p, c + QPointF(sx * 3.5, sy * 3.5), corner - QPointF(sx * 1.5, sy * 1.5), kInk, 2.0);
      }
  });
  tool("images2/zoom.png", [](QPainter& p) {
    p.setPen(ink(2.4));
    p.setBrush(alpha(kAccent, 70));
    p.drawEllipse(QPointF(17, 17), 10, 10);
    p.setPen(ink(4.0));
    p.drawLine(QPointF(24.5, 24.5), QPointF(33, 33));
    p.setPen(ink(2.2));
    p.drawLine(QPointF(12, 17), QPointF(22, 17));
    p.drawLine(QPointF(17, 12), QPointF(17, 22));
  });
  tool("images2/filter.png", [](QPainter& p) {
    p.setPen(ink(2.2));
    p.setBrush(alpha(kAccent, 160));
    p.drawPolygon(QPolygonF() << QPointF(8, 12) << QPointF(32, 12) << QPointF(23, 22)
                              << QPointF(23, 32) << QPointF(17, 29) << QPointF(17, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (QPointF d : {QPointF(12, 7), QPointF(19, 5.5), QPointF(26, 7), QPointF(22.5, 8.5)})
      p.drawEllipse(d, 1.6, 1.6);
  });
  tool("images2/data_save.png", [](QPainter& p) {
    arrow(p, QPointF(20, 6), QPointF(20, 25), kAccent, 3.0);
    p.setPen(ink(2.4));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF() << QPointF(8, 23) << QPointF(8, 32) << QPointF(32, 32)
                               << QPointF(32, 23));
  });
  tool("images2/color_adjust.png", [](QPainter& p) { palette(p); });
  tool("images2/setting.png", [](QPainter& p) { gear(p, QPointF(20, 20), 13, 9.5, 4.2, 8); });
  tool("images2/setting_advanced.png", [](QPainter& p) {
    const double ys[] = {11, 20, 29};
    const double knob[] = {25, 13, 21};
    for (int i = 0; i < 3; ++i) {
      p.setPen(ink(2.2));
      p.drawLine(QPointF(8, ys[i]), QPointF(32, ys[i]));
      p.setPen(ink(1.8));
      p.setBrush(kAccent);
      p.drawRoundedRect(QRectF(knob[i] - 3, ys[i] - 4, 6, 8), 1.5, 1.5);
    }
  });
  // Wall thickness: two parallel planes and the gap between them.
  list.push_back({"images/icon1.ico", 40, 40, 40, [](QPainter& p) {
    auto plane = [&](double dy, int a) {
      p.setPen(ink(2.0));
      p.setBrush(alpha(kAccent, a));
      p.drawPolygon(QPolygonF() << QPointF(6, 14 + dy) << QPointF(24, 8 + dy)
                                << QPointF(34, 14 + dy) << QPointF(16, 20 + dy));
    };
    plane(12, 110);
    plane(0, 200);
    p.setPen(ink(2.0, kWarm));
    p.drawLine(QPointF(30, 17), QPointF(30, 25));
    arrowHead(p, QPointF(30, 15), QPointF(30, 21), 4.5, kWarm);
    arrowHead(p, QPointF(30, 27), QPointF(30, 21), 4.5, kWarm);
  }});

  // Small pictures of the title bar, the dialogs and the combo boxes.
  list.push_back({"images2/small_color_adjust.png", 20, 20, 40, [](QPainter& p) { palette(p); }});
  list.push_back({"images2/small_manual.png", 20, 20, 20, [](QPainter& p) {
    p.setPen(ink(1.5));
    p.setBrush(alpha(kAccent, 120));
    p.drawPolygon(QPolygonF() << QPointF(10, 5) << QPointF(2.5, 3) << QPointF(2.5, 16)
                              << QPointF(10, 18));
    p.drawPolygon(QPolygonF() << QPointF(10, 5) << QPointF(17.5, 3) << QPointF(17.5, 16)
                              << QPointF(10, 18));
    p.setPen(ink(1.0));
    for (double y : {7.5, 10.5, 13.5}) {
      p.drawLine(QPointF(4.5, y - 1), QPointF(8, y));
      p.drawLine(QPointF(12, y), QPointF(15.5, y - 1));
    }
  }});
  list.push_back({"images2/small_help.png", 20, 20, 20, [](QPainter& p) {
    p.setPen(ink(1.6));
    p.setBrush(alpha(kAccent, 120));
    p.drawEllipse(QPointF(10, 10), 8, 8);
    QFont f("DejaVu Sans");
    f.setBold(true);
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(0, 0, 20, 20), Qt::AlignCenter, "?");
  }});
  list.push_back({"images2/title_min.png", 16, 16, 16, [](QPainter& p) {
    QPen flat = ink(2.0);
    flat.setCapStyle(Qt::FlatCap);  // whole pixels: a crisp bar
    p.setPen(flat);
    p.drawLine(QPointF(3, 11), QPointF(13, 11));
  }});
  list.push_back({"images2/title_max.png", 16, 16, 16, [](QPainter& p) {
    p.setPen(ink(1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(3, 3, 10, 10));
    p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
  }});
  list.push_back({"images2/title_close.png", 16, 16, 16,
                  [](QPainter& p) { crossMark(p, 3.5, 12.5, 1.8); }});
  list.push_back({"images2/dialog_close.png", 20, 20, 20,
                  [](QPainter& p) { crossMark(p, 5, 15, 2.0); }});
  // The tick of a checked box in the dialogs, dark on the box's light fill.
  list.push_back({"images2/indicator_check.png", 12, 12, 12, [](QPainter& p) {
    p.setPen(ink(2.0, QColor(1, 20, 45)));
    p.drawPolyline(QPolygonF() << QPointF(2.2, 6.4) << QPointF(4.9, 9.2) << QPointF(9.9, 2.8));
  }});
  list.push_back({"images2/play.png", 32, 32, 32, [](QPainter& p) {
    p.setPen(ink(2.0));
    p.setBrush(kAccent);
    p.drawPolygon(QPolygonF() << QPointF(10, 6) << QPointF(26, 16) << QPointF(10, 26));
  }});
  list.push_back({"images2/stop.png", 32, 32, 32, [](QPainter& p) {
    p.setPen(ink(2.0));
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(8, 7, 6, 18), 1, 1);
    p.drawRoundedRect(QRectF(18, 7, 6, 18), 1, 1);
  }});
  list.push_back({"images/color.png", 20, 20, 20, [](QPainter& p) {
    const QColor c[] = {kAxisX, QColor(255, 214, 70), kAxisY, kAxisZ};
    for (int i = 0; i < 4; ++i) {
      p.setPen(Qt::NoPen);
      p.setBrush(c[i]);
      p.drawRect(QRectF(3 + (i % 2) * 7, 3 + (i / 2) * 7, 7, 7));
    }
    p.setPen(ink(1.4));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(3, 3, 14, 14));
  }});
  list.push_back({"images/pointcolor.png", 16, 16, 16, [](QPainter& p) {
    QLinearGradient g(0, 0, 16, 0);
    g.setColorAt(0.0, QColor(40, 60, 255));
    g.setColorAt(0.35, QColor(40, 220, 255));
    g.setColorAt(0.55, QColor(80, 230, 80));
    g.setColorAt(0.75, QColor(255, 220, 40));
    g.setColorAt(1.0, QColor(255, 50, 40));
    p.setPen(ink(1.0));
    p.setBrush(g);
    p.drawRect(QRectF(1, 3, 14, 10));
  }});
  list.push_back({"images/saveas.ico", 32, 32, 32, [](QPainter& p) {
    p.setPen(ink(2.0));
    p.setBrush(alpha(kAccent, 150));
    p.drawPolygon(QPolygonF() << QPointF(5, 5) << QPointF(22, 5) << QPointF(27, 10)
                              << QPointF(27, 27) << QPointF(5, 27));
    p.setBrush(alpha(kInk, 200));
    p.drawRect(QRectF(10, 5, 10, 7));
    p.drawRect(QRectF(9, 17, 14, 10));
    p.setPen(ink(2.2, kWarm));
    p.drawLine(QPointF(19, 29), QPointF(29, 19));
  }});

  // Title bar background, stretched over the whole bar by a border image.
  list.push_back({"images2/title_bar.png", 1785, 64, 1785, [](QPainter& p) {
    QLinearGradient g(0, 0, 1785, 0);
    g.setColorAt(0.0, QColor(1, 20, 60));
    g.setColorAt(0.5, QColor(8, 44, 106));
    g.setColorAt(1.0, QColor(1, 20, 60));
    p.fillRect(QRectF(0, 0, 1785, 64), g);
    QLinearGradient line(0, 0, 1785, 0);
    line.setColorAt(0.0, alpha(kAccent, 0));
    line.setColorAt(0.5, alpha(kAccent, 230));
    line.setColorAt(1.0, alpha(kAccent, 0));
    p.fillRect(QRectF(0, 61, 1785, 3), line);
    p.setPen(QPen(alpha(kAccent, 40), 1.0));
    for (int x = 520; x < 1265; x += 24) p.drawLine(QPointF(x, 61), QPointF(x + 30, 30));
  }});
  list.push_back({"images2/title_logo.png", 320, 96, 320, [](QPainter& p) {
    emblem(p, QRectF(0, 8, 110, 80));
    QFont f("DejaVu Sans");
    f.setBold(true);
    f.setPixelSize(40);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(100, 0, 220, 96), Qt::AlignVCenter | Qt::AlignLeft, "LUMIVAR");
  }});
  list.push_back({"images2/app_logo.png", 128, 128, 128, [](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(1, 20, 60));
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 24, 24);
    emblem(p, QRectF(14, 14, 100, 100));
  }});
  list.push_back({"images2/list_title.png", 600, 56, 600, [](QPainter& p) {
    QLinearGradient g(0, 0, 600, 0);
    g.setColorAt(0.0, QColor(10, 50, 120));
    g.setColorAt(1.0, QColor(0, 0, 50));
    p.fillRect(QRectF(0, 0, 600, 56), g);
    p.fillRect(QRectF(0, 0, 8, 56), kAccent);
    p.fillRect(QRectF(0, 53, 600, 3), alpha(kAccent, 160));
  }});
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QDir out(argc > 1 ? argv[1] : ".");
  int failures = 0;
  for (const Picture& pic : pictures()) {
    QImage img(pic.width, pic.height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
      QPainter p(&img);
      p.setRenderHint(QPainter::Antialiasing);
      p.setRenderHint(QPainter::TextAntialiasing);
      p.scale(pic.width / pic.units, pic.width / pic.units);
      pic.draw(p);
    }
    const QString path = out.filePath(pic.file);
    QDir().mkpath(QFileInfo(path).path());
    QImageWriter writer(path);
    if (!writer.write(img.convertToFormat(QImage::Format_ARGB32))) {
      std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                   qPrintable(writer.errorString()));
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
