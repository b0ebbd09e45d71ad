// Window layouts are drawn up in twips, 1440 to the logical inch, as the
// classic form designer measured them; these turn them into device-independent
// pixels of the screen the widget is on.
#pragma once

#include <QRect>
#include <QWidget>

namespace vn {

inline constexpr int kTwipsPerInch = 1440;

// Pixels for a length in twips at the widget's logical resolution.
inline int PxFromTwips(const QWidget& w, int twips) {
  return (twips * w.logicalDpiX() + kTwipsPerInch / 2) / kTwipsPerInch;
}

// A widget placed at left, top, width, height in twips of its parent.
inline void PlaceInTwips(QWidget& w, int left, int top, int width, int height) {
  const QWidget& ref = w.parentWidget() != nullptr ? *w.parentWidget() : w;
  w.setGeometry(PxFromTwips(ref, left), PxFromTwips(ref, top), PxFromTwips(ref, width),
                PxFromTwips(ref, height));
}

}  // namespace vn
