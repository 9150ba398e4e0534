#pragma once

#include <QPainter>
#include <QRectF>
#include <QString>

#include "log/primitives.h"

namespace tecris2nx {

/// The faces the sheet's texts are looked for in, first found used.
extern const char* const kLogFontFamilies[];

/// Paints a page of the boring log with its top left corner at the painter's origin,
/// `unitsPerMillimetre` device units to the millimetre. Only primitives that meet `visible`
/// (millimetres; an empty rectangle: the whole page) are drawn, so a long sheet scrolls quickly.
void PaintLogPage(QPainter& painter, const boringlog::Page& page, double unitsPerMillimetre,
                  const QRectF& visible = QRectF());

}  // namespace tecris2nx
