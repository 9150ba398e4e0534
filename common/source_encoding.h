#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// How a TECRIS file's bytes are to be read: as CP932, as UTF-8, or as whichever fits.
enum class EncodingChoice { kAuto, kCp932, kUtf8 };

/// What a file turned out to be written in.
enum class SourceEncoding { kCp932, kUtf8, kUtf8WithMark, kUtf16Le, kUtf16Be };

/// "UTF-8", "UTF-8（BOM 付き）", "UTF-16LE", ...: for messages.
Text EncodingName(SourceEncoding encoding);

/// What the user is told of a file that was read from another encoding: "文字コードが UTF-8 の
/// ファイルでした。CP932 に変換して読みました。"; empty for CP932.
Text EncodingNotice(SourceEncoding encoding);

/// Bytes that decode as CP932 without one byte that has no character.
bool IsCp932Text(std::string_view bytes);
/// Bytes that are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8Text(std::string_view bytes);

/// The encoding of a whole file's bytes: a UTF-8 or UTF-16 byte-order mark decides; otherwise
/// bytes that are valid CP932 are CP932, whatever else they might be, and bytes that are not but
/// are valid UTF-8 are UTF-8. Anything else stays CP932, read as it always was.
SourceEncoding DetectEncoding(std::string_view bytes);

/// The bytes in `from`, byte-order mark dropped, as CP932. Throws ConversionError naming the line,
/// the column and the character when one has no CP932 form, or where the bytes are not `from`.
std::string ConvertToCp932(std::string_view bytes, SourceEncoding from);

/// Opens a TECRIS file so that its reader sees CP932: a CP932 file is read piece by piece as
/// before, untouched; a file in another encoding is read whole and converted. `found` learns what
/// the file was written in. Throws ConversionError as FileSystem::OpenForReading does, and as
/// ConvertToCp932 does.
std::unique_ptr<ByteSource> OpenAsCp932(const FileSystem& fs, const Text& path,
                                        EncodingChoice choice, SourceEncoding& found);

}  // namespace tecris2nx
