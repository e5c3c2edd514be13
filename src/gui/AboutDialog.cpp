#include "AboutDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr char16_t kCaption[] = u"バージョン情報";
constexpr char kTitle[] = "Kalvuno Version 1.00";
constexpr char kCopyright[] = "Copyright (C) 2026 Kalvuno Project";

// A Japanese monospace face at 13 pixels: the one the dialog was drawn for
// where it exists, else the closest the machine has.
QFont dialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(13);
    return font;
}

QLabel *label(const char *name, QWidget *parent, int x, int y)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    return l;
}

} // namespace

TFo_About::TFo_About(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("TFo_About"));
    setFont(dialogFont());
    setFixedSize(373, 56);
    setSizeGripEnabled(false);

    Im_Icon = label("Im_Icon", this, 8, 8);
    Im_Icon->resize(32, 32);
    // The program's icon, as its main window (the owner) shows it.
    Im_Icon->setPixmap((parent ? parent->windowIcon() : QApplication::windowIcon()).pixmap(32, 32));
    Im_Icon->setAccessibleName(QStringLiteral("Kalvuno"));

    La_AppTitle = label("La_AppTitle", this, 48, 8);
    La_AppCopyright = label("La_AppCopyright", this, 48, 30);

    Bu_OK = new QPushButton(QStringLiteral("OK"), this);
    Bu_OK->setObjectName(QStringLiteral("Bu_OK"));
    Bu_OK->setGeometry(288, 24, 81, 25);
    Bu_OK->setDefault(true);
    connect(Bu_OK, &QPushButton::clicked, this, &QDialog::accept);
}

void TFo_About::showEvent(QShowEvent *event)
{
    setWindowTitle(QString::fromUtf16(kCaption));
    La_AppTitle->setText(QString::fromLatin1(kTitle));
    La_AppCopyright->setText(QString::fromLatin1(kCopyright));
    for (QLabel *l : {La_AppTitle, La_AppCopyright}) {
        l->adjustSize();
        l->setAccessibleName(l->text());
    }
    centreOnScreen();
    QDialog::showEvent(event);
}

void TFo_About::centreOnScreen()
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}
