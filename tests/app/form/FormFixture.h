#pragma once
#include <QImage>
#include <QString>
#include <ostream>

// Readable failure messages for the texts of the form.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace formtest {

// Creates the one QApplication of the test process on the given platform plugin and
// registers the program's resources. Returns false when that platform cannot be used.
bool startApplication(const char* platform);

struct PictureMatch {
  int opaque = 0;   // fully opaque pixels of the picture
  int matching = 0; // of those, pixels found in the rendering with the picture's colour
};

// Compares the picture's opaque pixels with the rendering, the picture placed at the
// rendering's top left or up to maxShift pixels in (the best placement counts; pixels that
// the far edge would clip are left out). A style sheet background starts inside the widget's
// frame, so it needs a shift; it then matches all pixels, while a button that fell back to
// its plain look matches few.
PictureMatch comparePicture(const QImage& picture, const QImage& rendering, int maxShift = 0);

// How far in from the corner a tool button's frame puts its background picture.
inline constexpr int kFrameShift = 4;

// The resource path inside a style sheet's url(...), empty when there is none.
QString styleSheetUrl(const QString& styleSheet);

}  // namespace formtest
