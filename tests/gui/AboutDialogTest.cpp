#include "AboutDialog.h"
#include "PanelOutput.h"
#include "QtPrinters.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(AboutDialog, Properties)
{
    QWidget owner;
    QPixmap icon(64, 64);
    icon.fill(QColor(0xC0, 0x30, 0x30));
    owner.setWindowIcon(icon);
    TFo_About about(&owner);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    keepImage(about.grab().toImage(), QStringLiteral("about"));

    EXPECT_EQ(about.objectName(), u"TFo_About");
    EXPECT_EQ(about.windowTitle(), u"バージョン情報");
    EXPECT_EQ(about.size(), QSize(373, 56));
    EXPECT_EQ(about.minimumSize(), about.maximumSize()) << "not resizable";
    const Qt::WindowFlags flags = about.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    const QFontInfo font(about.font());
    EXPECT_EQ(font.pixelSize(), 13);
    // A monospace face: every Latin letter is as wide as another. (CJK faces report
    // themselves as proportional because of their double-width characters.)
    const QFontMetrics metrics(about.font());
    EXPECT_EQ(metrics.horizontalAdvance(u'i'), metrics.horizontalAdvance(u'W')) << font.family().toStdString();

    struct Control
    {
        const char *name;
        QRect place; // an empty size: only the position is fixed
        const char *text;
    } controls[] = {
        {"Im_Icon", {8, 8, 32, 32}, nullptr},
        {"La_AppTitle", {48, 8, 0, 0}, "Kalvuno Version 1.00"},
        {"La_AppCopyright", {48, 30, 0, 0}, nullptr},
        {"Bu_OK", {288, 24, 81, 25}, "OK"},
    };
    for (const Control &c : controls) {
        const auto *w = about.findChild<QWidget *>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->pos(), c.place.topLeft()) << c.name;
        if (!c.place.size().isEmpty()) {
            EXPECT_EQ(w->size(), c.place.size()) << c.name;
        }
        if (c.text) {
            const auto *label = qobject_cast<const QLabel *>(w);
            const auto *button = qobject_cast<const QPushButton *>(w);
            EXPECT_EQ(label ? label->text() : button->text(), QString::fromLatin1(c.text)) << c.name;
        }
    }
    EXPECT_EQ(about.Im_Icon->pixmap().toImage().pixel(16, 16), 0xFFC03030u) << "the owner's icon";
    EXPECT_TRUE(about.La_AppCopyright->text().contains(u"Kalvuno"));
    // The copyright line ends before the OK button, whatever face was found.
    EXPECT_LE(about.La_AppCopyright->geometry().right(), 287);
    EXPECT_TRUE(about.Bu_OK->isDefault());

    // Centred on the screen.
    const QRect screen = about.screen()->availableGeometry();
    EXPECT_LE((about.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

TEST(AboutDialog, OkAndEscapeClose)
{
    const std::pair<const char *, int> cases[] = {{"OK", QDialog::Accepted}, {"Escape", QDialog::Rejected}};
    for (const auto &[how, result] : cases) {
        TFo_About about;
        QTimer::singleShot(0, &about, [&about, how = std::string(how)] {
            if (how == "OK")
                QTest::mouseClick(about.Bu_OK, Qt::LeftButton);
            else
                QTest::keyClick(&about, Qt::Key_Escape);
        });
        EXPECT_EQ(about.exec(), result) << how;
        EXPECT_FALSE(about.isVisible()) << how;
    }
}

} // namespace
