#pragma once

#include <ostream>
#include <vector>

#include "check/checker.h"

namespace tecris2nx {

/// Version of the JSON document's layout (docs/check.schema.json); raised when it changes.
inline constexpr int kCheckReportVersion = 1;

/// One line per finding, "file:line:column: severity code: message", then the file's summary.
void WriteCheckText(std::ostream& out, const FileCheck& check);

/// The whole run as one JSON document in UTF-8.
void WriteCheckJson(std::ostream& out, const std::vector<FileCheck>& checks);

/// "line:column: severity code: message".
Text FindingText(const Finding& finding);

/// A JSON string literal of the text, quotes included.
std::string JsonString(TextView text);

}  // namespace tecris2nx
