#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/window/window_model.h"
#include "app/window/window_view.h"
#include "common/file_system.h"
#include "log/borehole.h"
#include "support/temp_dir.h"

namespace tecris2nx::testing {

/// A view that plays the user and the screen: fixed destination text and selection, scripted
/// answers, and a log of everything the model showed.
class FakeView : public WindowView {
 public:
  struct Box {
    Text text;
    MessageStyle style;
    Text title;
    Text informative;
  };

  // What the user does.
  Text destination;
  std::vector<Text> selected;
  std::deque<MessageAnswer> answers;  ///< answers to questions, in order (No when none is left)
  bool answerLater = false;           ///< leave boxes open until AnswerOpenBox is called
  /// Called while a box is open, to look at the window at that moment.
  std::function<void(const Box&)> onBox;

  // What the model showed.
  std::vector<Box> boxes;
  Text messageLine;
  std::vector<Text> messageLineHistory;
  Text folderTexts[2];
  std::vector<Text> files;
  std::vector<Text> details;
  std::vector<bool> detailFailed;  ///< per line of `details`: marked as failed
  int detailBatches = 0;
  Text selectionCount;
  Text patternFolderLine;
  std::vector<FindingsTable> findingsShown;
  /// Folder dialogs: the folders to answer with, in order (empty: cancelled; none left: cancel).
  std::deque<Text> chosenFolders;
  std::vector<Text> folderDialogs;  ///< the start folder of each dialog shown
  bool busy = false;
  bool running = false;
  std::vector<bool> runningHistory;
  bool searching = false;
  bool focusedDestination = false;
  std::vector<int> endStatuses;
  std::vector<int> driveSelections[2];  ///< SelectDrive calls, per side
  std::vector<Text> shownFolders[2];    ///< ShowFolder calls, per side
  std::optional<WindowGeometry> placedAt;
  WindowGeometry geometry{10, 20, 800, 600};
  WindowGeometry area{0, 0, 1920, 1040};

  WindowGeometry AvailableArea() const override { return area; }
  WindowGeometry MinimumSize() const override { return {0, 0, 600, 400}; }
  WindowGeometry StartSize() const override { return {0, 0, 880, 640}; }
  void PlaceWindow(const WindowGeometry& placed) override { placedAt = placed; }
  WindowGeometry CurrentGeometry() const override { return geometry; }
  void SetDrives(Side, const std::vector<Text>&, int) override {}
  void SelectDrive(Side side, int index) override {
    driveSelections[side == Side::kDestination ? 0 : 1].push_back(index);
  }
  void ShowFolder(Side side, const Text&, const Text& folder) override {
    shownFolders[side == Side::kDestination ? 0 : 1].push_back(folder);
  }
  void SetFolderText(Side side, const Text& text) override {
    folderTexts[side == Side::kDestination ? 0 : 1] = text;
    if (side == Side::kDestination) destination = text;
  }
  Text DestinationText() const override { return destination; }
  int filesSet = 0;  ///< SetFiles calls
  void SetFiles(const std::vector<Text>& names, const std::vector<Text>& keep) override {
    ++filesSet;
    files = names;
    selected.clear();
    for (const Text& name : names) {
      for (const Text& wanted : keep) {
        if (wanted == name) selected.push_back(name);
      }
    }
  }
  std::vector<Text> SelectedFiles() const override { return selected; }
  void SetMessageLine(const Text& text) override {
    messageLine = text;
    messageLineHistory.push_back(text);
  }
  void ClearDetails() override {
    details.clear();
    detailFailed.clear();
  }
  void AppendDetails(const std::vector<DetailLine>& lines) override {
    for (const DetailLine& line : lines) {
      details.push_back(line.text);
      detailFailed.push_back(line.failed);
    }
    ++detailBatches;
  }
  void SetSelectionCount(const Text& text) override { selectionCount = text; }
  void SetPatternFolderLine(const Text& text) override { patternFolderLine = text; }
  Text leftOutLine;
  void SetLeftOutLine(const Text& text) override { leftOutLine = text; }
  int withdrawn = 0;  ///< boxes closed by the model
  void WithdrawMessage() override {
    if (!open_) return;
    ++withdrawn;
    auto answered = std::move(open_);
    open_ = nullptr;
    answered(MessageAnswer::kNo);
  }
  void ShowFindings(const FindingsTable& table) override { findingsShown.push_back(table); }
  std::vector<std::shared_ptr<const boringlog::Borehole>> logsShown;
  /// Busy texts of the preview, in order; "" when one ended without a log.
  std::vector<Text> logBusyTexts;
  void ShowBoringLog(std::shared_ptr<const boringlog::Borehole> hole) override {
    logsShown.push_back(std::move(hole));
  }
  void SetBoringLogBusy(const Text& text) override { logBusyTexts.push_back(text); }
  std::vector<Text> documentsOpened;
  bool documentsOpen = true;  ///< whether the system has a program for them
  bool OpenDocument(const Text& path) override {
    documentsOpened.push_back(path);
    return documentsOpen;
  }
  void ChooseFolder(const Text&, const Text& start,
                    std::function<void(const Text&)> chosen) override {
    folderDialogs.push_back(start);
    Text answer;
    if (!chosenFolders.empty()) {
      answer = chosenFolders.front();
      chosenFolders.pop_front();
    }
    chosen(answer);
  }
  /// Report dialogs: the answers, in order (none: cancelled; none left: cancel).
  std::deque<std::optional<ReportAnswer>> reportAnswers;
  std::vector<ReportQuestion> reportQuestions;  ///< each report dialog as it was shown
  std::function<void()> whileReportAsked;       ///< runs while the dialog is open
  void AskReport(const ReportQuestion& question,
                 std::function<void(std::optional<ReportAnswer>)> answered) override {
    reportQuestions.push_back(question);
    if (whileReportAsked) whileReportAsked();
    std::optional<ReportAnswer> answer;
    if (!reportAnswers.empty()) {
      answer = reportAnswers.front();
      reportAnswers.pop_front();
    }
    answered(answer);
  }
  void SetBusy(bool b) override { busy = b; }
  void SetRunning(bool r) override {
    running = r;
    runningHistory.push_back(r);
  }
  void SetSearching(bool s) override { searching = s; }
  void FocusDestination() override { focusedDestination = true; }
  void ShowMessage(const MessageRequest& box,
                   std::function<void(MessageAnswer)> answered) override {
    boxes.push_back({box.text, box.style, box.title, box.informative});
    if (onBox) onBox(boxes.back());
    open_ = std::move(answered);
    if (!answerLater) AnswerOpenBox();
  }
  void EndProgram(int status) override { endStatuses.push_back(status); }

  bool BoxOpen() const { return static_cast<bool>(open_); }
  /// Closes the open box with the next scripted answer (OK for a box without a question).
  void AnswerOpenBox() {
    MessageAnswer answer = MessageAnswer::kOk;
    if (boxes.back().style == MessageStyle::kYesNoQuestion) {
      answer = MessageAnswer::kNo;
      if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
      }
    }
    auto answered = std::move(open_);
    open_ = nullptr;
    answered(answer);
  }

  std::vector<Text> BoxTexts() const {
    std::vector<Text> texts;
    for (const Box& box : boxes) texts.push_back(box.text);
    return texts;
  }

 private:
  std::function<void(MessageAnswer)> open_;
};

/// The window thread of a test: tasks posted by workers wait here until the test runs them.
class FakeWindowThread {
 public:
  PostToWindow Post() {
    return [this](std::function<void()> task) {
      {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
      }
      ready_.notify_all();
    };
  }

  /// Runs posted tasks until `done` holds; fails the test after ten seconds.
  void RunUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_until(lock, deadline, [this] { return !tasks_.empty(); })) {
          throw std::runtime_error("the window thread waited in vain");
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

  /// Runs the tasks posted so far, without waiting for more.
  void RunPending() {
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard lock(mutex_);
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
};

/// Holds a worker that looks at one input until the test opens the gate; the window thread is
/// never held.
class GatedFileSystem : public RealFileSystem {
 public:
  explicit GatedFileSystem(Text gated) : gated_(std::move(gated)) {}

  EntryKind KindOf(const Text& path) const override {
    if (armed_ && path == gated_ && std::this_thread::get_id() != window_) {
      std::unique_lock lock(mutex_);
      reached_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return open_; });
    }
    return RealFileSystem::KindOf(path);
  }

  void WaitUntilReached() {
    std::unique_lock lock(mutex_);
    ASSERT_TRUE(changed_.wait_for(lock, std::chrono::seconds(10), [this] { return reached_; }));
  }

  /// From now on a worker that looks at the input waits for Open.
  void Arm() { armed_ = true; }

  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  Text gated_;
  std::thread::id window_ = std::this_thread::get_id();
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  mutable bool reached_ = false;
  bool open_ = false;
  std::atomic<bool> armed_{false};
};

/// The drive that holds a folder: "/" here, the drive letter's root on Windows.
inline Text RootOf(const Text& folder) {
  return HostSeparator() == U'\\' ? folder.substr(0, 3) : Text(U"/");
}

/// A window over real folders: source `in`, destination `out`, pattern data `patdat`.
class WindowHarness {
 public:
  explicit WindowHarness(int workers, PathStyle style = HostPathStyle())
      : workers_(workers), style_(style) {
    tmp.Write("out/.keep", "");
    tmp.Write("in/.keep", "");
  }
  ~WindowHarness() { model.reset(); }

  /// Writes a TECRIS file into the source folder.
  void Source(const std::string& name, const std::string& utf8) {
    tmp.Write("in/" + name, Cp932Lines(utf8));
  }

  WindowEnvironment Env() {
    WindowEnvironment env;
    env.fs = fs;
    env.workers = workers_;
    env.style = style_;
    env.post = thread.Post();
    // Timers fire at once: the tests wait for what the window shows, not for the clock.
    env.postLater = [post = thread.Post()](int, std::function<void()> task) {
      post(std::move(task));
    };
    // The double-click time has passed unless a test says otherwise.
    env.now = [this] { return clock; };
    env.doubleClickMilliseconds = 500;
    env.findPatternFolder = [this] { return tmp.TextOf("patdat") + HostSeparator(); };
    env.listDrives = [this] { return std::vector<Text>{RootOf(tmp.text())}; };
    env.currentFolder = [this] { return tmp.text(); };
    return env;
  }

  /// A started window showing `in` and `out`.
  void Start() { Start(Env()); }
  void Start(WindowEnvironment env) {
    model.reset();
    view = FakeView();
    model = std::make_unique<WindowModel>(view, std::move(env));
    ASSERT_TRUE(model->Start());
    model->OnFolderChosen(Side::kSource, tmp.TextOf("in"));
    model->OnFolderChosen(Side::kDestination, tmp.TextOf("out"));
  }

  /// Execute, then the window thread runs until the run is over.
  void Execute() {
    model->OnExecute();
    clock += std::chrono::seconds(1);
    thread.RunUntil([this] { return !model->Running(); });
  }

  /// The model's clock (only the double-click guard reads it); Execute does not move it.
  std::chrono::steady_clock::time_point clock{std::chrono::hours(1)};
  TempDir tmp;
  RealFileSystem real;
  FileSystem* fs = &real;
  FakeView view;
  FakeWindowThread thread;
  std::unique_ptr<WindowModel> model;

 private:
  int workers_;
  PathStyle style_;
};

/// The host's separator, for the real folders of the window tests.
inline const Text kSep(1, HostSeparator());

/// A file of one section C record, of the job named `job`.
inline std::string SectionCFile(const std::string& job) {
  return "C," + job + ",y,1\n1,2,3,1.5,12,28\n";
}

}  // namespace tecris2nx::testing
