#pragma once

#include <deque>
#include <functional>
#include <memory>

#include "app/window/window_view.h"

namespace tecris2nx {

/// How a box's answer counts: a question closed any way but Yes is a No.
MessageAnswer NormalAnswer(MessageStyle style, MessageAnswer answer);

/// The modal boxes the model asks for, one at a time: a box asked for while another is open
/// waits for it.
class BoxQueue {
 public:
  /// `title` goes on boxes given none; `beforeShow` runs before each box appears.
  BoxQueue(WindowView& view, Text title, std::function<void()> beforeShow);
  BoxQueue(const BoxQueue&) = delete;
  BoxQueue& operator=(const BoxQueue&) = delete;

  /// Shows a box at once, or after those already waiting; `then` runs once it is answered.
  void Show(MessageRequest request, std::function<void(MessageAnswer)> then);
  /// No box is open or waiting.
  bool Empty() const { return boxes_.empty(); }

 private:
  struct Pending {
    MessageRequest request;
    std::function<void(MessageAnswer)> then;
  };
  void ShowFront();

  WindowView& view_;
  const Text title_;
  std::function<void()> beforeShow_;
  std::deque<Pending> boxes_;
  bool showing_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tecris2nx
