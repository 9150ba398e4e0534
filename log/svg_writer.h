#pragma once

#include <string>

#include "common/text.h"
#include "log/primitives.h"

namespace tecris2nx::boringlog {

/// Text as XML content: & < > escaped (and " ' too when `quotes`), and what is no character in
/// XML 1.0 (controls, surrogates, U+FFFE, U+FFFF) as U+FFFD. `Out` takes `+=` of a char and of
/// a string.
template <typename Out>
void AppendXmlText(Out& out, TextView text, bool quotes) {
  for (const char32_t c : text) {
    if (c == U'&') {
      out += "&amp;";
    } else if (c == U'<') {
      out += "&lt;";
    } else if (c == U'>') {
      out += "&gt;";
    } else if (quotes && c == U'"') {
      out += "&quot;";
    } else if (quotes && c == U'\'') {
      out += "&#39;";
    } else if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF || c == 0xFFFE ||
               c == 0xFFFF) {
      out += "\xEF\xBF\xBD";
    } else {
      AppendUtf8(out, c);
    }
  }
}

/// The font list every text of the sheet is set in.
extern const char kSvgFontFamily[];

/// The page as an SVG 1.1 document in UTF-8, sized in millimetres; the same page gives the same
/// bytes.
std::string SvgDocument(const Page& page);
/// The same without the XML declaration: an `<svg>` element to set inside an HTML page.
std::string SvgElement(const Page& page);

}  // namespace tecris2nx::boringlog
