// The look shared by the program's windows: the small sans-serif font their
// twips layouts were drawn for, and frames whose caption sits on the border
// line so that the controls placed under it stay clear of it.
#pragma once

#include <QFont>
#include <QSize>
#include <QWidget>

namespace vn {

// Point size of captions and entries.
inline constexpr qreal kFormPointSize = 8;

// A sans-serif font of Arial's widths at `pointSize`: the usual desktop font
// is wider, and the captions of the layout would not fit their boxes.
QFont FormFont(const QFont& base, qreal pointSize = kFormPointSize);

// Gives `form` (a window's client area or a dialog) and the controls on it
// the shared font and frames; call it once the controls are made.
void ApplyFormStyle(QWidget& form);

// Sizes a window to `wanted`, or to the screen's free area less room for its
// frame where the screen is smaller (a 1024 x 700 screen), so that no window
// opens with its buttons off the screen.
void ResizeWithinScreen(QWidget& window, QSize wanted);

}  // namespace vn
