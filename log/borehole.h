#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "check/checker.h"
#include "common/file_system.h"
#include "common/text.h"
#include "sections/section_dispatch.h"

namespace tecris2nx::boringlog {

// One borehole as the boring log draws it. Depths are metres below the top, in single precision
// as the conversion compares them.

/// A soil layer as "X1.txt" merges them.
struct LogLayer {
  double top = 0;
  double bottom = 0;
  Text code;      ///< the file's code, as the classification reads it
  Text fileName;  ///< the file's own soil name
  Text soilName;  ///< what "X1.txt" carries
};

/// A colour layer as "X3.txt" merges them.
struct LogColour {
  double top = 0;
  double bottom = 0;
  Text letters;             ///< the letters looked up
  std::vector<Text> names;  ///< one per letter that has a colour
};

/// A standard penetration test of section C.
struct LogPenetration {
  double depth = 0;
  double blows = 0;
  Text label;            ///< "15", or "50/12" for a test stopped at 50 blows
  bool stopped = false;  ///< 50 blows or more: drawn at the graph's end
};

/// A sample of section D.
struct LogSample {
  double top = 0;
  double bottom = 0;
  Text number;
};

/// A test depth (top == bottom) or interval of sections E to H.
struct LogTestMark {
  char32_t section = 0;
  double top = 0;
  double bottom = 0;
};

/// Something odd about the file, at a depth; `odd` ones are drawn in red.
struct LogNote {
  double depth = 0;
  Text text;
  bool odd = true;
};

struct Borehole {
  Text identifier;
  Text fileName;
  Text title;          ///< line 1 of "titl01.txt"
  Text latitudeCode;   ///< section A's code 2, as written
  Text longitudeCode;  ///< section A's code 3, as written
  Text patternFolder;  ///< as shown to the user
  Text dateDrawn;
  bool hasLayers = false;  ///< section B was read
  std::vector<LogLayer> layers;
  std::vector<LogColour> colours;
  std::vector<LogPenetration> penetrations;
  std::vector<LogSample> samples;
  std::vector<LogTestMark> marks;
  std::vector<LogNote> notes;
  /// The deepest layer boundary; 0 without layers.
  double DeepestLayer() const;
};

/// What the borehole is read with besides the file.
struct BoreholeSources {
  const FileSystem& fs;
  Text patternFolder;  ///< ends with the separator
};

/// Adds what the boring log draws of one section the walk has read; `store` holds its storage.
/// The one place that knows which values of which section the picture uses.
void AddSectionToBorehole(Borehole& hole, char32_t letter, const SectionStore& store,
                          const BoreholeSources& sources);

/// The depth each record of a section is drawn at (index 0 for record 1), for the notes about
/// them; taken while the walk still holds the section's storage.
using RecordDepths = std::map<char32_t, std::vector<double>>;
void AddRecordDepths(RecordDepths& depths, char32_t letter, const SectionStore& store);

/// Adds the check's findings about depths as notes at the depths they concern.
void AddDepthNotes(Borehole& hole, const std::vector<Finding>& findings,
                   const RecordDepths& depths);

/// Reads a TECRIS file's bytes (from field 1) as the conversion does: every section's writers
/// run into memory, so a file the conversion rejects throws its ConversionError here, and
/// nothing is drawn of it. A depth the picture cannot place (beyond single precision, or deeper
/// than kDeepestDrawn) throws too. Identifier, file name and date are the caller's. The source
/// is read piece by piece and no further than the last section, or the field where the
/// sections stop.
Borehole ReadBorehole(std::unique_ptr<ByteSource> source, const Text& path,
                      const BoreholeSources& sources);
/// The same, of bytes in memory.
Borehole ReadBorehole(std::string bytes, const Text& path, const BoreholeSources& sources);

/// A borehole read with the whole check beside it, for a file that may be rejected.
struct CheckedBorehole {
  Borehole hole;                           ///< what was read before any problem
  std::optional<ConversionError> problem;  ///< why the conversion would reject the file
  std::optional<FileCheck> check;          ///< none when the check itself failed
};

/// Reads the file to its end with check mode (as `settings` ask) reading along: a file the
/// conversion rejects still has its findings.
CheckedBorehole ReadCheckedBorehole(std::unique_ptr<ByteSource> source, const Text& path,
                                    const BoreholeSources& sources, const CheckSettings& settings);

/// Metres: no borehole is deeper, and a sheet of a deeper one would be kilometres long.
inline constexpr double kDeepestDrawn = 20000;

}  // namespace tecris2nx::boringlog
