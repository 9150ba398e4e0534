#pragma once

#include <string>

#include "log/primitives.h"

namespace tecris2nx::boringlog {

/// The font list every text of the sheet is set in.
extern const char kSvgFontFamily[];

/// The page as an SVG 1.1 document in UTF-8, sized in millimetres; the same page gives the same
/// bytes.
std::string SvgDocument(const Page& page);
/// The same without the XML declaration: an `<svg>` element to set inside an HTML page.
std::string SvgElement(const Page& page);

}  // namespace tecris2nx::boringlog
