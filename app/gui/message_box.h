#pragma once

#include <QMessageBox>
#include <memory>

#include "common/text.h"

namespace tecris2nx {

/// Icon and buttons of a message box style number (0, 36, 48, 64); unknown styles are OK only.
struct MessageBoxLook {
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
};
MessageBoxLook LookOfStyle(int style);

/// The answer number of the button that closed a box: kAnswerYes, kAnswerNo or kAnswerOk.
int AnswerOfButton(QMessageBox::StandardButton button);

/// A modal box ready to exec(): plain text, the style's look; an empty title is kProgramTitle.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const Text& text, int style,
                                            const Text& title);

/// Shows the box and waits for the user's answer.
int ShowMessageBox(QWidget* parent, const Text& text, int style, const Text& title);

}  // namespace tecris2nx
