#pragma once

#include <string>
#include <vector>

#include "log/layout.h"

namespace tecris2nx {

/// The picture formats beside SVG that this build can write ("png", "pdf"), each drawn by the
/// platform's own painter; the command line refuses the others.
std::vector<std::string> LogImageFormats();

/// Encodes the pages as `format`: one image per page ("png"), each page laid out only when it is
/// drawn. False with `error` set when the build cannot write that format or the painter fails;
/// nothing is written either way.
bool WriteLogImage(const std::string& format, const boringlog::PagedLog& log,
                   std::vector<std::string>* images, std::string* error);

}  // namespace tecris2nx
