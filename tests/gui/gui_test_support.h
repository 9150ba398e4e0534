#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "app/gui/form1.h"
#include "common/cp932.h"
#include "common/text.h"

namespace tecris2nx::testing {

/// Writes a file below a folder as CP932 with CR LF line ends ("\n" in the text); parents made.
inline void WriteCp932(const QString& folder, const QString& relative, const QString& text) {
  const QString path = folder + QLatin1Char('/') + relative;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QString crlf = text;
  crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  const std::string bytes = EncodeCp932(crlf.toStdU32String());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

/// Seams that never block: message boxes are logged and answered from a script, the program end
/// is logged, the drives are fixed.
struct FakeDesktop {
  struct Box {
    Text text;
    int style;
    Text title;
    Text informative;
  };
  std::vector<Box> boxes;
  std::deque<int> answers;  ///< answers to Yes/No questions, in order (No when none is left)
  std::vector<int> endStatuses;
  Text patternFolder = U"/patdat/";
  QStringList drives{QStringLiteral("/")};
  /// Called while a box is "open", to look at the window at that moment.
  std::function<void(const Box&)> onBox;
  /// Answers to folder dialogs, in order (cancelled when none is left).
  QStringList chosenFolders;
  /// Each report dialog as asked, and the answer to all of them (none: cancelled).
  std::vector<ReportQuestion> reportQuestions;
  std::optional<ReportAnswer> reportAnswer;
  QStringList opened;  ///< documents opened, in order

  WindowSeams Seams() {
    WindowSeams seams;
    seams.showMessage = [this](QWidget*, const MessageRequest& box) {
      boxes.push_back({box.text, static_cast<int>(box.style), box.title, box.informative});
      if (onBox) onBox(boxes.back());
      if (box.style != MessageStyle::kYesNoQuestion) return MessageAnswer::kOk;
      if (answers.empty()) return MessageAnswer::kNo;
      const int answer = answers.front();
      answers.pop_front();
      return static_cast<MessageAnswer>(answer);
    };
    seams.locatePatternFolder = [this] { return patternFolder; };
    seams.endProgram = [this](int status) { endStatuses.push_back(status); };
    seams.listDrives = [this] { return drives; };
    seams.chooseFolder = [this](QWidget*, const QString&, const QString&) {
      return chosenFolders.isEmpty() ? QString() : chosenFolders.takeFirst();
    };
    seams.askReport = [this](QWidget*, const ReportQuestion& question) {
      reportQuestions.push_back(question);
      return reportAnswer;
    };
    seams.openDocument = [this](const QString& path) {
      opened << path;
      return true;
    };
    // The documents folder is where the test stands, not the home of whoever runs it.
    seams.documentsFolder = QDir::currentPath();
    return seams;
  }
};

inline QString Q(const Text& text) { return QString::fromStdU32String(text); }

}  // namespace tecris2nx::testing
