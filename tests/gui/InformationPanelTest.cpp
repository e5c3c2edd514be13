#include "AddressSubstitution.h"
#include "InformationPanel.h"
#include "PanelOutput.h"
#include "QtPrinters.h"
#include "Random.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

EntryInfo entry(const QString &title, const QString &home, const QString &rank)
{
    return {QStringLiteral("山田花子"), title, QStringLiteral("ポップス"), QStringLiteral("12"), home, rank};
}

// Sent straight to the widget: QTest's moves are dropped when the pointer is
// already where an earlier test left it.
void hoverAt(QWidget &w, QPoint at)
{
    QMouseEvent event(QEvent::MouseMove, at, w.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

struct InformationPanelTest : ::testing::Test
{
    InformationPanel panel;
    QStringList visited;

    void SetUp() override
    {
        seedRandom(34);
        panel.resize(181, 185);
        panel.navigate = [this](const QString &url) { visited.append(url); };
    }
    void show()
    {
        panel.show();
        panel.Build();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }
    QImage frame()
    {
        const QImage image = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(image.size(), QSize(181, 185));
        return image;
    }
};

TEST_F(InformationPanelTest, Looks)
{
    show();
    keepImage(frame(), QStringLiteral("information-empty"));
    panel.setTexts(entry(QStringLiteral("とても長い曲のタイトルがここに入ります"), QStringLiteral("http://example.jp/yamada"),
                         QStringLiteral("0103FF0A02")));
    hoverAt(panel, QPoint(163, 17));
    keepImage(frame(), QStringLiteral("information-hover-home"));
    panel.setTexts(entry(QStringLiteral("夜の歌"), QString(), QStringLiteral("01FF0A")));
    hoverAt(panel, QPoint(10, 100));
    keepImage(frame(), QStringLiteral("information-no-home"));
    panel.setTexts(entry(QStringLiteral("夜の歌"), QStringLiteral("http://example.jp/yamada"), QStringLiteral("C801")));
    QTest::mousePress(&panel, Qt::LeftButton, Qt::NoModifier, QPoint(163, 17));
    keepImage(frame(), QStringLiteral("information-home-pressed"));
}

// A dark desktop keeps the background's grain below the colours checked.
struct DarkPalette
{
    QPalette saved = QApplication::palette();
    DarkPalette()
    {
        QPalette dark = saved;
        dark.setColor(QPalette::Button, QColor(0x40, 0x40, 0x40));
        dark.setColor(QPalette::ButtonText, QColor(0xE0, 0xE0, 0xE0));
        QApplication::setPalette(dark);
    }
    ~DarkPalette() { QApplication::setPalette(saved); }
};

TEST_F(InformationPanelTest, RankChartPixels)
{
    const DarkPalette dark;
    show();
    // The dots' colour: the text colour 0xFFC080 scaled by 1.3 - k / 6.5 and read as a toolkit colour.
    // k = 0: 0x80 * 1.3 = 166, 0xC0 * 1.3 = 249, 0xFF saturates: red A6, green F9, blue FF.
    // k = 2: factor 0.9923: 127, 190, 253.
    constexpr QRgb kNewest = 0xFFA6F9FF;
    constexpr QRgb kThird = 0xFF7FBEFD;
    panel.setTexts(entry(QStringLiteral("夜の歌"), QString(), QStringLiteral("01FF0A")));
    const QImage gap = frame();
    keepImage(gap, QStringLiteral("information-dark-gap"));
    struct Case
    {
        int x, y;
        bool dot;
        QRgb colour;
    } cases[] = {
        {156, 140, true, kNewest}, // rank 1 of 10: y = 33 / 10 + 137
        {154, 140, true, kNewest}, {158, 140, true, kNewest}, {156, 138, true, kNewest}, {156, 142, true, kNewest},
        {153, 140, false, kNewest}, {159, 140, false, kNewest}, {154, 138, false, kNewest},
        {108, 170, true, kThird}, // rank 10 of 10, two weeks older
        {110, 170, true, kThird}, {108, 172, true, kThird}, {111, 170, false, kThird},
    };
    for (const Case &c : cases)
        EXPECT_EQ(gap.pixel(c.x, c.y) == c.colour, c.dot)
            << c.x << "," << c.y << std::hex << " 0x" << gap.pixel(c.x, c.y);
    // Nothing for the week without a rank, and no line across it.
    for (int y = 137; y <= 171; ++y)
        for (int x = 111; x <= 153; ++x)
            ASSERT_LT(qGreen(gap.pixel(x, y)), 0x60) << x << "," << y;

    // Neighbours with ranks are joined, in the older value's colour: factor 1.3 - 1.5 / 6.5.
    panel.setTexts(entry(QStringLiteral("夜の歌"), QString(), QStringLiteral("0104")));
    const QImage joined = frame();
    const QRgb line = 0xFF88CDFF;
    int onLine = 0;
    for (int x = 135; x <= 153; ++x)
        for (int y = 139; y <= 151; ++y)
            onLine += joined.pixel(x, y) == line;
    EXPECT_GE(onLine, 15) << "a line from (156, 140) to (132, 150)";

    // No valid rank: no chart, not even the labels.
    panel.setTexts(entry(QStringLiteral("夜の歌"), QString(), QStringLiteral("FFFF")));
    const QImage none = frame();
    for (int y = 116; y < 177; ++y)
        for (int x = 47; x < 172; ++x)
            ASSERT_LT(qGreen(none.pixel(x, y)), 0x60) << x << "," << y;
    // The chart's labels sit in the row from 120: "1", "-" and "10".
    int labelInk = 0;
    for (int y = 120; y < 135; ++y)
        for (int x = 100; x < 165; ++x)
            labelInk += qGreen(gap.pixel(x, y)) > 0x60;
    EXPECT_GT(labelInk, 20);
}

TEST_F(InformationPanelTest, HomeButtonIcons)
{
    show();
    // A pixel of the roof: grey lines only while there is no home page,
    // dark red with one, bright red under the pointer.
    const QPoint roof(kHomeIconX + 8, kHomeIconY + 5);
    panel.setTexts(entry(QStringLiteral("夜の歌"), QStringLiteral("http://a.b"), QString())); // 10 bytes: none
    const QRgb disabled = frame().pixel(roof);
    EXPECT_LT(qRed(disabled) - qGreen(disabled), 0x20);
    panel.setTexts(entry(QStringLiteral("夜の歌"), QStringLiteral("http://a.bc"), QString()));
    const QRgb enabled = frame().pixel(roof);
    EXPECT_GT(qRed(enabled), 0x70);
    EXPECT_LT(qGreen(enabled), 0x20);
    hoverAt(panel, QPoint(kHomeCentreX, kHomeCentreY));
    const QRgb hot = frame().pixel(roof);
    EXPECT_GT(qRed(hot), 0xE0);
    EXPECT_LT(qGreen(hot), 0x20);
}

TEST(InformationPanelText, TooWideForItsBoxEndsInDots)
{
    InformationPanelPainter painter;
    const QFontMetrics metrics(panelFont());
    const QStringList texts = {
        QStringLiteral("とても長い曲のタイトルがここに入ります"),
        QStringLiteral("夜明けのSymphony第2番ハ短調「運命」より"),
        QStringLiteral("𠮷野家の歌𠮷野家の歌𠮷野家の歌𠮷野家の歌"),
        QStringLiteral("Tokyo Drive and The Night Owls, live at the Budokan"),
    };
    for (const QString &text : texts) {
        const QString out = painter.fitted(text);
        ASSERT_TRUE(out.endsWith(u"...")) << out.toStdString();
        const QString kept = out.chopped(3);
        EXPECT_TRUE(text.startsWith(kept)) << out.toStdString();
        EXPECT_LE(metrics.horizontalAdvance(kept), kValueTextWidth) << out.toStdString();
        EXPECT_FALSE(kept.back().isHighSurrogate()) << "half a character";
        // As much as fits: one more character would be too wide.
        const qsizetype next = text.at(kept.size()).isHighSurrogate() ? 2 : 1;
        EXPECT_GT(metrics.horizontalAdvance(text.left(kept.size() + next)), kValueTextWidth) << out.toStdString();
    }
    EXPECT_EQ(painter.fitted(QStringLiteral("夜の歌")), u"夜の歌");
}

TEST_F(InformationPanelTest, HintFollowsTheHomeButton)
{
    show();
    QSignalSpy hints(&panel, &InformationPanel::hintChanged);
    panel.setTexts(entry(QStringLiteral("夜の歌"), QStringLiteral("http://example.jp/yamada"), QString()));
    EXPECT_EQ(panel.toolTip(), u"選択中の曲の情報です。");
    hoverAt(panel, QPoint(20, 100));
    hoverAt(panel, QPoint(kHomeCentreX, kHomeCentreY));
    hoverAt(panel, QPoint(kHomeCentreX + 1, kHomeCentreY));
    ASSERT_EQ(hints.count(), 1);
    EXPECT_EQ(hints.at(0).at(0).toString(), u"アーティストのホームページを表示します。\rhttp://example.jp/yamada");
    EXPECT_EQ(panel.toolTip(), u"アーティストのホームページを表示します。\nhttp://example.jp/yamada");
    EXPECT_EQ(panel.statusTip(), u"アーティストのホームページを表示します。 http://example.jp/yamada");
    hoverAt(panel, QPoint(20, 100));
    ASSERT_EQ(hints.count(), 2);
    EXPECT_EQ(hints.at(1).at(0).toString(), u"選択中の曲の情報です。");
    EXPECT_EQ(panel.statusTip(), u"選択中の曲の情報です。");
}

TEST_F(InformationPanelTest, HomeReleaseNavigates)
{
    setAddressSubstitution({QStringLiteral("kalvuno.example"), QStringLiteral("192.168.0.9")});
    show();
    const QPoint home(kHomeCentreX, kHomeCentreY);
    panel.setTexts(entry(QStringLiteral("夜の歌"), QStringLiteral("http://www.kalvuno.example/yamada"), QString()));
    QTest::mouseClick(&panel, Qt::LeftButton, Qt::NoModifier, home);
    QTest::mouseClick(&panel, Qt::RightButton, Qt::NoModifier, home);
    // Pressed, then released outside: nowhere.
    QTest::mousePress(&panel, Qt::LeftButton, Qt::NoModifier, home);
    QTest::mouseRelease(&panel, Qt::LeftButton, Qt::NoModifier, QPoint(20, 100));
    // Pressed, then the window lost its activation to a box: nowhere, and not held any more.
    QTest::mousePress(&panel, Qt::LeftButton, Qt::NoModifier, home);
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&panel, &deactivate);
    EXPECT_EQ(panel.rules().mode(), InformationPanelRules::Idle);
    // No home page: the button does nothing.
    panel.setTexts(entry(QStringLiteral("夜の歌"), QStringLiteral("http://a.b"), QString()));
    QTest::mouseClick(&panel, Qt::LeftButton, Qt::NoModifier, home);
    EXPECT_EQ(visited, QStringList{"http://192.168.0.9/yamada"});
    setAddressSubstitution({});
}

TEST_F(InformationPanelTest, HomeButtonForAssistiveTools)
{
    show();
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&panel);
    ASSERT_NE(iface, nullptr);
    ASSERT_EQ(iface->childCount(), 1);
    QAccessibleInterface *home = iface->child(0);
    EXPECT_EQ(home->text(QAccessible::Name), u"ホームページ");
    EXPECT_EQ(home->role(), QAccessible::Button);
    EXPECT_TRUE(home->state().disabled);
    home->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(visited.isEmpty());

    panel.setTexts(entry(QStringLiteral("夜の歌"), QStringLiteral("http://example.jp/yamada"), QString()));
    EXPECT_FALSE(home->state().disabled);
    home->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(visited, QStringList{"http://example.jp/yamada"});
}

} // namespace
