#include "app/window/window_settings.h"

#include <exception>
#include <sstream>
#include <string>

namespace tecris2nx {
namespace {

/// Four whole numbers separated by commas, width and height above 0.
std::optional<WindowGeometry> ParseGeometry(const std::string& value) {
  WindowGeometry g;
  char c1 = 0, c2 = 0, c3 = 0;
  std::istringstream in(value);
  if (!(in >> g.x >> c1 >> g.y >> c2 >> g.width >> c3 >> g.height)) return std::nullopt;
  if (c1 != ',' || c2 != ',' || c3 != ',' || g.width <= 0 || g.height <= 0) return std::nullopt;
  in >> std::ws;
  if (!in.eof()) return std::nullopt;
  return g;
}

}  // namespace

std::string SettingsText(const WindowSettings& settings) {
  std::string text;
  if (!settings.destination.empty()) text += "destination=" + ToUtf8(settings.destination) + "\n";
  if (!settings.source.empty()) text += "source=" + ToUtf8(settings.source) + "\n";
  if (!settings.patternFolder.empty()) {
    text += "patdat=" + ToUtf8(settings.patternFolder) + "\n";
  }
  if (!settings.reportFolder.empty()) text += "report=" + ToUtf8(settings.reportFolder) + "\n";
  if (!settings.reportDatum.empty()) text += "datum=" + ToUtf8(settings.reportDatum) + "\n";
  if (settings.geometry) {
    const WindowGeometry& g = *settings.geometry;
    text += "geometry=" + std::to_string(g.x) + "," + std::to_string(g.y) + "," +
            std::to_string(g.width) + "," + std::to_string(g.height) + "\n";
  }
  return text;
}

WindowSettings ParseSettings(const std::string& text) {
  WindowSettings settings;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (value.empty() || value.find('\0') != std::string::npos) continue;
    if (key == "destination") settings.destination = FromUtf8(value);
    if (key == "source") settings.source = FromUtf8(value);
    if (key == "patdat") settings.patternFolder = FromUtf8(value);
    if (key == "report") settings.reportFolder = FromUtf8(value);
    if (key == "datum") settings.reportDatum = FromUtf8(value);
    if (key == "geometry") settings.geometry = ParseGeometry(value);
  }
  return settings;
}

WindowSettings LoadWindowSettings(const FileSystem& fs, const Text& path) {
  if (path.empty()) return {};
  try {
    if (fs.KindOf(path) != EntryKind::kFile) return {};
    return ParseSettings(fs.ReadAll(path));
  } catch (const std::exception&) {
    return {};
  }
}

void SaveWindowSettings(FileSystem& fs, const Text& path, const WindowSettings& settings) {
  if (path.empty()) return;
  try {
    const std::size_t cut = path.find_last_of(U"/\\");
    if (cut != Text::npos && cut > 0) {
      const Text folder = path.substr(0, cut);
      if (fs.KindOf(folder) == EntryKind::kNone) {
        const Text parent = folder.substr(0, folder.find_last_of(U"/\\"));
        if (!parent.empty() && fs.KindOf(parent) == EntryKind::kNone) fs.MakeFolder(parent);
        fs.MakeFolder(folder);
      }
    }
    fs.WriteAll(path, SettingsText(settings));
  } catch (const std::exception&) {
    // Not remembered this time; the window has already done its work.
  }
}

}  // namespace tecris2nx
