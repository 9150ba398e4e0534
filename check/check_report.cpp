#include "check/check_report.h"

#include <cstdio>

namespace tecris2nx {
namespace {

std::string Summary(int errors, int warnings, int infos) {
  return "エラー " + std::to_string(errors) + " 件、警告 " + std::to_string(warnings) +
         " 件、情報 " + std::to_string(infos) + " 件";
}

/// A number, or null for a place that does not apply.
std::string NumberOrNull(long long value) { return value > 0 ? std::to_string(value) : "null"; }

void WriteCounts(std::ostream& out, int errors, int warnings, int infos) {
  out << "\"errors\": " << errors << ", \"warnings\": " << warnings << ", \"infos\": " << infos;
}

}  // namespace

std::string JsonString(TextView text) {
  const std::string utf8 = ToUtf8(text);
  std::string json = "\"";
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\r') {
      json += "\\r";
    } else if (c == '\t') {
      json += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", u);
      json += escaped;
    } else {
      json += c;
    }
  }
  json += '"';
  return json;
}

Text FindingText(const Finding& f) {
  return DecimalText(f.line) + U':' + DecimalText(f.column) + U": " +
         FromUtf8(SeverityName(f.severity)) + U' ' + FromUtf8(f.code) + U": " +
         ShownText(f.message);
}

void WriteCheckText(std::ostream& out, const FileCheck& check) {
  const std::string path = ToUtf8(ShownName(check.path));
  for (const Finding& f : check.findings) out << path << ':' << ToUtf8(FindingText(f)) << '\n';
  out << path << ": "
      << Summary(check.Count(Severity::kError), check.Count(Severity::kWarning),
                 check.Count(Severity::kInfo))
      << '\n';
}

void WriteCheckJson(std::ostream& out, const std::vector<FileCheck>& checks) {
  int errors = 0;
  int warnings = 0;
  int infos = 0;
  out << "{\n  \"version\": " << kCheckReportVersion << ",\n  \"files\": [";
  for (std::size_t i = 0; i < checks.size(); ++i) {
    const FileCheck& check = checks[i];
    out << (i == 0 ? "\n" : ",\n") << "    {\n      \"path\": " << JsonString(check.path)
        << ",\n      \"findings\": [";
    for (std::size_t k = 0; k < check.findings.size(); ++k) {
      const Finding& f = check.findings[k];
      out << (k == 0 ? "\n" : ",\n") << "        {\"code\": \"" << f.code << "\", \"severity\": \""
          << SeverityName(f.severity)
          << "\", \"section\": " << (f.section != 0 ? JsonString(Text(1, f.section)) : "null")
          << ", \"record\": " << NumberOrNull(f.record) << ", \"value\": " << NumberOrNull(f.value)
          << ", \"line\": " << f.line << ", \"column\": " << f.column
          << ", \"message\": " << JsonString(f.message) << '}';
    }
    const int e = check.Count(Severity::kError);
    const int w = check.Count(Severity::kWarning);
    const int n = check.Count(Severity::kInfo);
    errors += e;
    warnings += w;
    infos += n;
    out << (check.findings.empty() ? "" : "\n      ") << "],\n      \"summary\": {";
    WriteCounts(out, e, w, n);
    out << "}\n    }";
  }
  out << (checks.empty() ? "" : "\n  ") << "],\n  \"summary\": {\"files\": " << checks.size()
      << ", ";
  WriteCounts(out, errors, warnings, infos);
  out << "}\n}\n";
}

}  // namespace tecris2nx
