#pragma once

#include <deque>
#include <string>
#include <vector>

#include "run/front_end.h"

namespace tecris2nx::testing {

/// A front end that plays a user: fixed folder texts and selection, scripted answers, and a log
/// of everything the run showed.
class ScriptedFrontEnd : public RunFrontEnd {
 public:
  struct Box {
    Text text;
    int style;
    Text title;
  };

  Text destination;
  Text source;
  std::vector<Text> selected;
  std::deque<int> answers;  ///< answers to Yes/No questions, in order (default No)

  Text messageLine;
  std::vector<Box> boxes;
  std::vector<Text> messageLineHistory;
  bool busy = false;
  int busyChanges = 0;
  bool focusedDestination = false;
  bool clearPending = false;
  std::vector<FileReport> converted;
  std::vector<std::pair<Text, Text>> failed;

  Text DestinationText() const override { return destination; }
  Text SourceText() const override { return source; }
  std::vector<Text> SelectedNames() const override { return selected; }
  void SetMessageLine(const Text& text) override {
    messageLine = text;
    messageLineHistory.push_back(text);
  }
  void SetBusy(bool b) override {
    busy = b;
    ++busyChanges;
  }
  void FocusDestination() override { focusedDestination = true; }
  int ShowMessage(const Text& text, int style, const Text& title) override {
    boxes.push_back({text, style, title});
    if (style != kStyleYesNoQuestion) return kAnswerOk;
    if (answers.empty()) return kAnswerNo;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void SetMessageClearPending() override { clearPending = true; }
  void FileConverted(const FileReport& report) override { converted.push_back(report); }
  void FileFailed(const Text& input, const Text& message) override {
    failed.emplace_back(input, message);
  }
};

}  // namespace tecris2nx::testing
