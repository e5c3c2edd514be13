#include "MessageBox.h"

#include <QApplication>

namespace kalvuno::messagebox {

namespace {
QList<QMessageBox::StandardButton> g_answers;
QStringList g_answeredTexts;
} // namespace

QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                 QMessageBox::StandardButtons buttons)
{
    QString shown = text;
    shown.replace(u'\r', u'\n');
    if (!g_answers.isEmpty()) {
        g_answeredTexts.append(shown);
        return g_answers.takeFirst();
    }
    QMessageBox box(icon, QApplication::applicationDisplayName(), shown, buttons, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    return QMessageBox::StandardButton(box.exec());
}

void showError(QWidget *parent, const QString &text) { show(parent, QMessageBox::Critical, text); }

void showWriteError(QWidget *parent, const QString &path)
{
    showError(parent, QStringLiteral("%1 に書き込めません").arg(path));
}

void setNextAnswers(const QList<QMessageBox::StandardButton> &answers) { g_answers = answers; }

QStringList answeredTexts() { return g_answeredTexts; }

void clearAnsweredTexts() { g_answeredTexts.clear(); }

} // namespace kalvuno::messagebox
