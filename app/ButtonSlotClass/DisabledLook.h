// Buttons that look disabled while they are: the tool bar's pictures come from style sheets
// that name one image for every state, and the play bar's arrows keep the sheet's colour, so
// Qt alone paints a disabled button as an enabled one. A disabled button here is painted as a
// faint grey copy of its enabled picture, whatever draws that picture (a sheet's background
// image, an icon or an arrow).
#pragma once

class QImage;
class QWidget;

namespace DisabledLook {

// Share of the picture's contrast with its ground that a disabled button keeps.
constexpr double kKeptContrast = 0.4;

// From now on the widget is painted greyed while it is disabled (also when a parent is).
// Done once per widget; later calls change nothing.
void install(QWidget* widget);

// Installs on every QToolButton below root (root included when it is one).
void installOnToolButtons(QWidget* root);

// The greyed copy of a painted picture: each pixel keeps kKeptContrast of its difference in
// brightness from the ground (the picture's commonest colour), as grey; the ground stays as it
// is. On a transparent ground the picture turns grey at kKeptContrast of its opacity.
QImage greyed(const QImage& picture);

}  // namespace DisabledLook
