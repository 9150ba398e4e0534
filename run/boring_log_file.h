#pragma once

#include <optional>

#include "common/file_system.h"
#include "common/source_encoding.h"
#include "common/text.h"
#include "log/borehole.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {

/// A TECRIS file opened as the conversion opens it (in `encoding`, `found` learning which it was
/// read from), with its identifier; throws ConversionError with the conversion's own text when
/// it has none (or is no file).
IdentifiedFile OpenIdentifiedFile(const FileSystem& fs, const Text& path, EncodingChoice encoding,
                                  SourceEncoding& found);

/// The last part of a path, as the host separates its parts.
Text FileNameOf(const Text& path);

/// The boring log's borehole of one TECRIS file, read as the conversion reads it, with its
/// identifier, file name, pattern folder and date filled in. Throws ConversionError with the
/// conversion's own text for a file it would reject (or one without an identifier). `found`, when
/// given, learns the encoding the file was read from.
boringlog::Borehole ReadBoreholeFile(const FileSystem& fs, const Text& path,
                                     const Text& patternFolder, const Text& date,
                                     EncodingChoice encoding = EncodingChoice::kAuto,
                                     SourceEncoding* found = nullptr);

/// Today's date as the sheets show it, or that of SOURCE_DATE_EPOCH when set, so that a sheet
/// can be made again byte for byte. A SOURCE_DATE_EPOCH that is not a count of seconds is left
/// out, and `problem` (when given) says so. Not thread-safe (localtime): call it before workers
/// start.
Text BoringLogDate(Text* problem = nullptr);

/// The time SOURCE_DATE_EPOCH gives, in seconds since 1970 (UTC); none when it is unset or not
/// a count of seconds (`problem`, when given, then says which).
std::optional<long long> SourceDateEpoch(Text* problem = nullptr);

}  // namespace tecris2nx
