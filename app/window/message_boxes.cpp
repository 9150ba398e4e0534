#include "app/window/message_boxes.h"

#include <utility>

namespace tecris2nx {

MessageAnswer NormalAnswer(MessageStyle style, MessageAnswer answer) {
  if (style == MessageStyle::kYesNoQuestion && answer != MessageAnswer::kYes) {
    return MessageAnswer::kNo;
  }
  return answer;
}

BoxQueue::BoxQueue(WindowView& view, Text title, std::function<void()> beforeShow)
    : view_(view), title_(std::move(title)), beforeShow_(std::move(beforeShow)) {}

void BoxQueue::Show(MessageRequest request, std::function<void(MessageAnswer)> then) {
  if (request.title.empty()) request.title = title_;
  boxes_.push_back({std::move(request), std::move(then)});
  if (!showing_) ShowFront();
}

void BoxQueue::ShowFront() {
  if (beforeShow_) beforeShow_();
  showing_ = true;
  const std::weak_ptr<bool> alive = alive_;
  auto answered = std::make_shared<bool>(false);
  view_.ShowMessage(boxes_.front().request, [this, alive, answered](MessageAnswer answer) {
    if (alive.expired() || *answered) return;
    *answered = true;
    Pending box = std::move(boxes_.front());
    boxes_.pop_front();
    showing_ = false;
    if (box.then) box.then(NormalAnswer(box.request.style, answer));
    if (!showing_ && !boxes_.empty()) ShowFront();  // `then` may have asked something already
  });
}

}  // namespace tecris2nx
