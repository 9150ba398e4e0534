#include "sections/output_context.h"

#include <algorithm>
#include <stdexcept>

#include "common/cp932.h"

namespace tecris2nx {
namespace {

/// A quoted TECRIS field may hold line ends; written as they are, they would split an output
/// line and shift every line and field after it. Each becomes a blank.
TextView OneLine(TextView line, Text& scratch) {
  if (std::none_of(line.begin(), line.end(), [](char32_t c) { return c == U'\r' || c == U'\n'; })) {
    return line;
  }
  scratch.assign(line);
  for (char32_t& c : scratch) {
    if (c == U'\r' || c == U'\n') c = U' ';
  }
  return scratch;
}

}  // namespace

Text OutputContext::PathOf(const Text& fileName) const {
  Text path = jobFolder;
  path += separator;
  path += fileName;
  return path;
}

void OutputContext::WriteLines(const Text& fileName, const std::vector<Text>& lines) const {
  WriteBytes(fileName, EncodeLines(lines));
}

void OutputContext::WriteLines(const Text& fileName, TextLines&& lines) const {
  if (!lines.HandsOn()) {
    WriteBytes(fileName, lines.bytes());
    return;
  }
  if (!pending || pending->names().empty() || pending->names().back() != fileName) {
    throw std::logic_error("lines handed on to a file that is not the one begun last");
  }
  lines.Flush();
}

void OutputContext::WriteBytes(const Text& fileName, std::string_view bytes) const {
  if (!pending) pending = fs.BeginFiles(jobFolder);
  pending->Begin(fileName);
  pending->Append(bytes);
}

TextLines OutputContext::Lines(const Text& fileName) const {
  if (!pending) pending = fs.BeginFiles(jobFolder);
  pending->Begin(fileName);
  return TextLines(*pending);
}

void OutputContext::Commit() const {
  if (!pending || pending->names().empty()) return;
  const std::size_t before = written ? written->size() : 0;
  if (written) written->insert(written->end(), pending->names().begin(), pending->names().end());
  try {
    pending->Commit();
  } catch (...) {
    // A set whose commit failed is done with; its error says which files, if any, came out new.
    if (written) written->resize(before);
    pending.reset();
    throw;
  }
}

std::string EncodeLines(const std::vector<Text>& lines) {
  std::size_t size = 0;
  for (const Text& line : lines) size += line.size() + 2;
  std::string bytes;
  bytes.reserve(size + size / 8);
  // Line by line: a whole file as one code-point text would take four times its bytes.
  Text scratch;
  for (const Text& line : lines) {
    bytes += EncodeCp932(OneLine(line, scratch));
    bytes += "\r\n";
  }
  return bytes;
}

namespace {

/// Lines handed on to a file go in pieces of about this size: large enough for few writes, small
/// enough to stay in the cache.
constexpr std::size_t kHandOnBytes = 256 * 1024;

}  // namespace

TextLines::TextLines(FileSet& files) : files_(&files) { bytes_.reserve(kHandOnBytes + 4096); }

void TextLines::Flush() {
  if (files_ == nullptr || bytes_.empty()) return;
  files_->Append(bytes_);
  bytes_.clear();
}

void TextLines::push_back(TextView line) {
  const std::size_t start = bytes_.size();
  try {
    AppendCp932(line, bytes_);
  } catch (...) {
    bytes_.resize(start);  // a line that cannot be written leaves no part of itself
    throw;
  }
  EndLine(start);
}

void TextLines::PushBytes(std::string_view line) {
  const std::size_t start = bytes_.size();
  bytes_ += line;
  EndLine(start);
}

void TextLines::EndLine(std::size_t start) {
  // Line ends from quoted fields become blanks. Both are single bytes that no double-byte
  // character holds, so the bytes can be changed directly.
  std::replace_if(
      bytes_.begin() + static_cast<std::ptrdiff_t>(start), bytes_.end(),
      [](char b) { return b == '\r' || b == '\n'; }, ' ');
  ++count_;
  if (files_ != nullptr) {
    bytes_ += "\r\n";
    if (bytes_.size() >= kHandOnBytes) Flush();
    return;
  }
  ends_.push_back(bytes_.size());
  bytes_ += "\r\n";
}

void TextLines::reserve(std::size_t lines) {
  if (files_ == nullptr) ends_.reserve(lines);
}

Text TextLines::operator[](std::size_t i) const {
  const std::size_t start = i == 0 ? 0 : ends_[i - 1] + 2;
  return DecodeCp932(std::string_view(bytes_).substr(start, ends_[i] - start));
}

TextLines::operator std::vector<Text>() const {
  std::vector<Text> texts;
  texts.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) texts.push_back((*this)[i]);
  return texts;
}

void PrintTo(const TextLines& lines, std::ostream* os) {
  *os << "{";
  for (std::size_t i = 0; i < lines.size(); ++i)
    *os << (i ? ", \"" : "\"") << ToUtf8(lines[i]) << "\"";
  *os << "}";
}

}  // namespace tecris2nx
