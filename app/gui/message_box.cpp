#include "app/gui/message_box.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/window/window_model.h"

#include "app/window/message_boxes.h"

namespace tecris2nx {

MessageBoxLook LookOfStyle(MessageStyle style) {
  switch (style) {
    case MessageStyle::kYesNoQuestion:
      return {QMessageBox::Question, QMessageBox::Yes | QMessageBox::No};
    case MessageStyle::kOkExclamation:
      return {QMessageBox::Warning, QMessageBox::Ok};
    case MessageStyle::kOkInformation:
      return {QMessageBox::Information, QMessageBox::Ok};
    default:
      return {QMessageBox::NoIcon, QMessageBox::Ok};
  }
}

MessageAnswer AnswerOfButton(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    default:
      return MessageAnswer::kOk;
  }
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const MessageRequest& request) {
  const MessageBoxLook look = LookOfStyle(request.style);
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(
      QString::fromStdU32String(request.title.empty() ? kProgramTitle : request.title));
  // Paths may hold "<" or "&": never let the box read them as markup.
  box->setTextFormat(Qt::PlainText);
  box->setText(QString::fromStdU32String(request.text));
  if (!request.informative.empty()) {
    box->setInformativeText(QString::fromStdU32String(request.informative));
  }
  box->setIcon(look.icon);
  box->setStandardButtons(look.buttons);
  if (look.buttons & QMessageBox::Yes) {
    box->setDefaultButton(QMessageBox::Yes);
    // Closing the question without an answer must not create folders.
    box->setEscapeButton(QMessageBox::No);
  }
  return box;
}

MessageAnswer ShowMessageBox(QWidget* parent, const MessageRequest& request) {
  const std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, request);
  box->exec();
  return NormalAnswer(request.style, AnswerOfButton(box->standardButton(box->clickedButton())));
}

bool InstallQtTranslations(const QLocale& locale) {
  // Lives as long as the application: Qt keeps using the installed translator.
  static QTranslator translator;
  if (!translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  return QCoreApplication::installTranslator(&translator);
}

}  // namespace tecris2nx
