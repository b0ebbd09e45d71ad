// Paints a core drawing (pictures/drawing.h) with a QPainter: the window's
// pictures are the same drawings the command line writes as SVG.
#pragma once

#include "pictures/drawing.h"

class QPainter;

namespace vn {

// Paints `drawing` with its top left corner at the painter's origin. Texts
// take the painter's font family at the drawing's sizes and are placed by
// their anchors with the font's own widths.
void PaintDrawing(QPainter& painter, const Drawing& drawing);

}  // namespace vn
