#include "sections/output_context.h"

#include "common/cp932.h"

namespace tecris2nx {

Text OutputContext::PathOf(const Text& fileName) const {
  Text path = jobFolder;
  path += separator;
  path += fileName;
  return path;
}

void OutputContext::WriteLines(const Text& fileName, const std::vector<Text>& lines) const {
  std::string bytes = EncodeLines(lines);
  if (pending) {
    pending->emplace_back(fileName, std::move(bytes));
    return;
  }
  fs.WriteAll(PathOf(fileName), bytes);
  if (written) written->push_back(fileName);
}

void OutputContext::Commit() const {
  if (!pending) return;
  PendingFiles files;
  files.swap(*pending);
  for (const auto& [name, bytes] : files) {
    fs.WriteAll(PathOf(name), bytes);
    if (written) written->push_back(name);
  }
}

std::string EncodeLines(const std::vector<Text>& lines) {
  std::size_t size = 0;
  for (const Text& line : lines) size += line.size() + 2;
  std::string bytes;
  bytes.reserve(size + size / 8);
  // Line by line: a whole file as one code-point text would take four times its bytes.
  for (const Text& line : lines) {
    bytes += EncodeCp932(line);
    bytes += "\r\n";
  }
  return bytes;
}

Text JoinFields(const std::vector<Text>& fields) {
  Text line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) line += U',';
    line += fields[i];
  }
  return line;
}

}  // namespace tecris2nx
