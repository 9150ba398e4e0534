// A build without a painter for pictures: SVG only.
#include "app/cli/log_formats.h"

namespace tecris2nx {

std::vector<std::string> LogImageFormats() { return {}; }

bool WriteLogImage(const std::string& format, const boringlog::PagedLog&, std::vector<std::string>*,
                   std::string* error) {
  if (error) *error = format + " はこの版では書き出せません";
  return false;
}

}  // namespace tecris2nx
