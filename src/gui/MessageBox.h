#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace kalvuno::messagebox {

// Every message box of the program goes through here, so that tests can
// answer boxes in advance and dialogs never block them.

// Shows a box with the given caption, or the program's name without one. In
// the text "\r" is a line break.
QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                 QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                 const QString &caption = QString());

// The program's standard error box.
void showError(QWidget *parent, const QString &text);

// "%s に書き込めません" for a file that could not be written.
void showWriteError(QWidget *parent, const QString &path);

// Dismisses every open message box and dialog, innermost first, as their
// user would with Cancel (or No); a dialog's unsaved edits are dropped.
void dismissAll();

// For tests: the boxes that follow are answered with these buttons, without
// being shown, while answers remain.
void setNextAnswers(const QList<QMessageBox::StandardButton> &answers);
// For tests: runs while a box answered in advance would be open, as the
// events that arrive during a real box do.
void setWhileOpen(std::function<void()> events);
// For tests: the texts of the boxes answered in advance, oldest first.
QStringList answeredTexts();
void clearAnsweredTexts();

} // namespace kalvuno::messagebox
