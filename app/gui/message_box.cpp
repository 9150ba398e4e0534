#include "app/gui/message_box.h"

#include "run/front_end.h"

namespace tecris2nx {

MessageBoxLook LookOfStyle(int style) {
  switch (style) {
    case kStyleYesNoQuestion:
      return {QMessageBox::Question, QMessageBox::Yes | QMessageBox::No};
    case kStyleOkExclamation:
      return {QMessageBox::Warning, QMessageBox::Ok};
    case kStyleOkInformation:
      return {QMessageBox::Information, QMessageBox::Ok};
    default:
      return {QMessageBox::NoIcon, QMessageBox::Ok};
  }
}

int AnswerOfButton(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes:
      return kAnswerYes;
    case QMessageBox::No:
      return kAnswerNo;
    default:
      return kAnswerOk;
  }
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const Text& text, int style,
                                            const Text& title) {
  const MessageBoxLook look = LookOfStyle(style);
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(QString::fromStdU32String(title.empty() ? kProgramTitle : title));
  // Paths may hold "<" or "&": never let the box read them as markup.
  box->setTextFormat(Qt::PlainText);
  box->setText(QString::fromStdU32String(text));
  box->setIcon(look.icon);
  box->setStandardButtons(look.buttons);
  if (look.buttons & QMessageBox::Yes) {
    box->setDefaultButton(QMessageBox::Yes);
    // Closing the question without an answer must not create folders.
    box->setEscapeButton(QMessageBox::No);
  }
  return box;
}

int ShowMessageBox(QWidget* parent, const Text& text, int style, const Text& title) {
  const std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, text, style, title);
  box->exec();
  const int answer = AnswerOfButton(box->standardButton(box->clickedButton()));
  if (style == kStyleYesNoQuestion && answer != kAnswerYes) return kAnswerNo;
  return answer;
}

}  // namespace tecris2nx
