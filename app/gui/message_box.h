#pragma once

#include <QLocale>
#include <QMessageBox>
#include <memory>

#include "app/window/window_view.h"
#include "common/text.h"

namespace tecris2nx {

/// Icon and buttons of a message box style; unknown styles are OK only.
struct MessageBoxLook {
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
};
MessageBoxLook LookOfStyle(MessageStyle style);

/// The answer of the button that closed a box.
MessageAnswer AnswerOfButton(QMessageBox::StandardButton button);

/// A modal box ready to exec(): plain text, the style's look, the informative line under the
/// text; an empty title is the program's own.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const MessageRequest& request);

/// Shows the box and waits for the user's answer; a question closed otherwise answers No.
MessageAnswer ShowMessageBox(QWidget* parent, const MessageRequest& request);

/// Loads Qt's own texts (standard buttons, text-box menus) for the locale into the application;
/// false when the system has none for it. Needs the QApplication; call once.
bool InstallQtTranslations(const QLocale& locale);

}  // namespace tecris2nx
