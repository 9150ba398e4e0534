// Arbitrary bytes through the field reading and every formatting rule.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"
#include "tecris/field_reader.h"

using namespace tecris2nx;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  EncodeCp932Lossy(DecodeCp932(bytes));
  FieldReader in = FieldReader::FromCp932(std::string(bytes));
  try {
    for (int i = 0; i < 64; ++i) {
      const Text field = in.ReadField();
      const double value = NumericValue(field);
      NumberText(value);
      RoundToInt16(value);
      FormatDepth(field);
      NumberOrEmpty(field);
      RightPad4(field);
      MarkerText(field);
      try {
        ExponentNumber(field);
      } catch (const ConversionError&) {
      }
    }
  } catch (const ConversionError&) {
    // The end of the input.
  }
  return 0;
}
