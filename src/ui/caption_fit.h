// Fitting captions into the boxes of a twips layout. The layouts were drawn
// for a narrow bitmap dialog font; today's desktop fonts are wider, so a
// caption that does not fit its box at the windows' usual size is given a
// narrow face and, if that is not enough, a slightly smaller size.
#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

namespace vn {

// The smallest point size a caption is shrunk to.
inline constexpr qreal kSmallestCaptionPointSize = 6.5;

// Where a control draws its caption: a label's contents, a button's face
// less its margins, an option or check box's room beside the indicator.
// Empty for a widget without a caption.
QRect CaptionBox(const QWidget& w);

// Whether the caption wraps onto several lines inside its box.
bool CaptionWraps(const QWidget& w);

// The caption of a label or a button.
QString CaptionText(const QWidget& w);

// Whether the caption is shown whole with the widget's font.
bool CaptionFits(const QWidget& w);

// Gives every captioned control of `form` whose caption does not fit the
// largest font that makes it fit: the narrow face first, then smaller
// sizes down to kSmallestCaptionPointSize.
void FitCaptions(QWidget& form);

}  // namespace vn
