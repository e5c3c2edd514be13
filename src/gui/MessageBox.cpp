#include "MessageBox.h"

#include <QApplication>

namespace kalvuno::messagebox {

namespace {
QList<QMessageBox::StandardButton> g_answers;
QStringList g_answeredTexts;
std::function<void()> g_whileOpen;

// The button a box's user would press to get away without a choice.
QMessageBox::StandardButton dismissingButton(QMessageBox::StandardButtons buttons)
{
    for (const QMessageBox::StandardButton b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Abort,
                                                QMessageBox::Close, QMessageBox::Ok})
        if (buttons & b)
            return b;
    return QMessageBox::NoButton;
}
} // namespace

QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                 QMessageBox::StandardButtons buttons, const QString &caption)
{
    QString shown = text;
    shown.replace(u'\r', u'\n');
    if (!g_answers.isEmpty()) {
        g_answeredTexts.append(shown);
        const QMessageBox::StandardButton answer = g_answers.takeFirst();
        if (g_whileOpen)
            g_whileOpen();
        return answer;
    }
    QMessageBox box(icon, caption.isEmpty() ? QStringLiteral("Kalvuno") : caption, shown, buttons, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    return QMessageBox::StandardButton(box.exec());
}

void showError(QWidget *parent, const QString &text) { show(parent, QMessageBox::Critical, text); }

void showWriteError(QWidget *parent, const QString &path)
{
    showError(parent, QStringLiteral("%1 に書き込めません").arg(path));
}

void dismissAll()
{
    // Each dismissal hides its window, which takes it off the modal stack.
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            box->done(dismissingButton(box->standardButtons()));
        else if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            return; // it refused to go; never spin
    }
}

void setWhileOpen(std::function<void()> events) { g_whileOpen = std::move(events); }

void setNextAnswers(const QList<QMessageBox::StandardButton> &answers) { g_answers = answers; }

QStringList answeredTexts() { return g_answeredTexts; }

void clearAnsweredTexts() { g_answeredTexts.clear(); }

} // namespace kalvuno::messagebox
