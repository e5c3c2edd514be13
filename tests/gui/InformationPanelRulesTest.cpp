#include "AddressSubstitution.h"
#include "InformationPanelRules.h"
#include "QtPrinters.h"
#include "TextFit.h"

#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

TEST(RankChart, ReadsUpToFiveValues)
{
    struct Case
    {
        const char *text;
        int count;
        const char *labels; // joined by spaces
        int max;
        bool drawn;
    } cases[] = {
        {"01FF0A", 3, "1 - 10", 10, true},
        {"FFFFFFFFFF", 5, "- - - - -", 10, false},
        {"0000", 2, "- -", 10, false},
        {"", 0, "", 10, false},
        {"C801", 2, "200 1", 200, true},
        {"0102030405", 5, "1 2 3 4 5", 10, true},
        {"010203040506", 5, "1 2 3 4 5", 10, true}, // a sixth value is never read
        {"0G02", 2, "- 2", 10, true},              // digits that do not read are no rank
        {"0a0", 2, "10 -", 10, true},              // lower case; a lone last digit "0"
        {"050", 2, "5 -", 10, true},
        {"0507", 2, "5 7", 10, true},
        {"1E", 1, "30", 30, true},
        {"FE", 1, "254", 254, true},
        {"０１", 1, "-", 10, false}, // full-width digits are not hexadecimal
    };
    for (const Case &c : cases) {
        const RankChart chart = RankChart::read(QString::fromUtf8(c.text));
        QStringList labels;
        for (int k = 0; k < chart.count; ++k)
            labels.append(chart.label(k));
        EXPECT_EQ(chart.count, c.count) << c.text;
        EXPECT_EQ(labels.join(u' '), QString::fromLatin1(c.labels)) << c.text;
        EXPECT_EQ(chart.max, c.max) << c.text;
        EXPECT_EQ(chart.drawn(), c.drawn) << c.text;
    }
}

TEST(RankChart, Geometry)
{
    // 01FF0A: the first value on the right, no line to or from the missing one.
    const RankChart gap = RankChart::read(u"01FF0A");
    EXPECT_EQ(RankChart::x(0), 156);
    EXPECT_EQ(RankChart::x(2), 108);
    EXPECT_EQ(RankChart::x(4), 60);
    EXPECT_EQ(gap.y(1), 140); // 33 / 10 = 3
    EXPECT_EQ(gap.y(10), 170);
    EXPECT_FALSE(gap.lineTo(0));
    EXPECT_FALSE(gap.lineTo(1));
    EXPECT_FALSE(gap.lineTo(2));

    // A rank of 200 scales the chart: 200 at the bottom (170), 1 at the top (137).
    const RankChart wide = RankChart::read(u"C801");
    EXPECT_EQ(wide.y(200), 170);
    EXPECT_EQ(wide.y(1), 137);
    EXPECT_EQ(wide.y(7), 138); // 231 / 200, integer
    EXPECT_TRUE(wide.lineTo(1));

    // Older values darker: the newest line and dot are the brightest.
    EXPECT_FLOAT_EQ(RankChart::dotFactor(0), 1.3f);
    EXPECT_FLOAT_EQ(RankChart::lineFactor(0), float(1.3 - 0.5 / 6.5));
    EXPECT_GT(RankChart::dotFactor(1), RankChart::dotFactor(4));
}

TEST(TextFit, WholeCharactersComeOff)
{
    // Ten pixels for an ASCII character, twenty for any other.
    const auto width = [](const QString &s) {
        int w = 0;
        for (const char32_t c : s.toUcs4())
            w += c < 0x80 ? 10 : 20;
        return w;
    };
    const std::pair<const char *, const char *> cases[] = {
        {"", ""},
        {"abcdefghijk", "abcdefghijk"},          // 110: fits
        {"abcdefghijkl", "abcdefghijk..."},      // 120: one comes off
        {"あいうえおかき", "あいうえお..."},      // 140, 120, then 100
        {"aあいうえおか", "aあいうえお..."},
        {"𠮷𠮷𠮷𠮷𠮷𠮷", "𠮷𠮷𠮷𠮷𠮷..."},        // a surrogate pair is one character
        {"e\u0301e\u0301e\u0301e\u0301", "e\u0301e\u0301e\u0301..."}, // a letter keeps its accent
    };
    for (const auto &[text, fitted] : cases) {
        const QString out = fitWithEllipsis(QString::fromUtf8(text), kValueTextWidth, width);
        EXPECT_EQ(out, QString::fromUtf8(fitted)) << text;
    }
}

EntryInfo entry(const QString &home, const QString &count = QStringLiteral("3"))
{
    return {QStringLiteral("山田花子"), QStringLiteral("夜の歌"), QStringLiteral("ポップス"), count, home,
            QStringLiteral("01")};
}

TEST(InformationPanelRules, HomeIsThereFromElevenBytes)
{
    const std::pair<const char *, bool> cases[] = {
        {"", false},
        {"http://a.b", false},  // 10 bytes
        {"http://a.bc", true},  // 11
        {"あいうえお", false},  // 10 bytes in the interface's code page
        {"あいうえおか", true}, // 12 bytes, 6 characters
    };
    for (const auto &[home, enabled] : cases) {
        InformationPanelRules rules;
        rules.setTexts(entry(QString::fromUtf8(home)));
        EXPECT_EQ(rules.homeEnabled(), enabled) << home;
        EXPECT_EQ(rules.homeIcon(), enabled ? 7 : 3) << home;
        rules.mouseMove(kHomeCentreX, kHomeCentreY);
        EXPECT_EQ(rules.homeIcon(), enabled ? 11 : 3) << home;
        // A press on a disabled button does nothing.
        EXPECT_EQ(rules.mouseDown(true, kHomeCentreX, kHomeCentreY), enabled) << home;
        EXPECT_EQ(rules.mode(), enabled ? InformationPanelRules::HomeHeld : InformationPanelRules::Idle) << home;
    }
}

TEST(InformationPanelRules, Texts)
{
    InformationPanelRules rules;
    rules.setTexts(entry(QString(), QStringLiteral("0")));
    EXPECT_EQ(rules.value(0), u"山田花子");
    EXPECT_EQ(rules.value(1), u"夜の歌");
    EXPECT_EQ(rules.value(2), u"ポップス");
    EXPECT_EQ(rules.value(3), u"--");
    rules.setTexts(entry(QString(), QStringLiteral("10")));
    EXPECT_EQ(rules.value(3), u"10");
    EXPECT_TRUE(rules.rankChart().drawn());
}

TEST(InformationPanelRules, HintOnEnteringAndLeavingHome)
{
    const QString own = QString::fromUtf16(kInformationHint);
    const QString home = QString::fromUtf16(kHomeHint);
    InformationPanelRules rules;
    rules.setTexts(entry(QStringLiteral("http://example.jp/yamada")));
    EXPECT_EQ(rules.hint(), own);

    struct Move
    {
        int x, y;
        bool repaint;
        QString hint;
    } moves[] = {
        {10, 10, false, own},
        {kHomeCentreX + 11, kHomeCentreY, true, home + QStringLiteral("\rhttp://example.jp/yamada")}, // 11 < 12
        {kHomeCentreX, kHomeCentreY, false, home + QStringLiteral("\rhttp://example.jp/yamada")},
        {kHomeCentreX + 12, kHomeCentreY, true, own}, // on the circle is outside
    };
    for (const Move &m : moves) {
        EXPECT_EQ(rules.mouseMove(m.x, m.y), m.repaint) << m.x << "," << m.y;
        EXPECT_EQ(rules.hint(), m.hint) << m.x << "," << m.y;
    }

    // Without an address the hint has no second line; a new entry's address
    // replaces the old one in a hint that is showing.
    rules.setTexts(entry(QString()));
    rules.mouseMove(kHomeCentreX, kHomeCentreY);
    EXPECT_EQ(rules.hint(), home);
    rules.setTexts(entry(QStringLiteral("http://example.jp/kitano")));
    EXPECT_EQ(rules.hint(), home + QStringLiteral("\rhttp://example.jp/kitano"));
}

struct Substitution
{
    Substitution(const QString &domain, const QString &address) { setAddressSubstitution({domain, address}); }
    ~Substitution() { setAddressSubstitution({}); }
};

TEST(InformationPanelRules, ReleaseOnHomeGoesThere)
{
    const Substitution substitution(QStringLiteral("kalvuno.example"), QStringLiteral("192.168.0.9"));
    const QString far = QStringLiteral("http://example.jp/") + QString(1500, u'x');
    struct Case
    {
        const char *name;
        QString home;
        int releaseX;
        bool rightRelease;
        bool lost;
        QString navigated;
    } cases[] = {
        {"inside", QStringLiteral("http://example.jp/a"), kHomeCentreX, false, false,
         QStringLiteral("http://example.jp/a")},
        {"substituted", QStringLiteral("http://www.kalvuno.example/artist"), kHomeCentreX, false, false,
         QStringLiteral("http://192.168.0.9/artist")},
        {"at most 1000 characters", far, kHomeCentreX, false, false, far.left(1000)},
        {"released outside", QStringLiteral("http://example.jp/a"), 0, false, false, QString()},
        {"release lost", QStringLiteral("http://example.jp/a"), kHomeCentreX, false, true, QString()},
    };
    for (const Case &c : cases) {
        InformationPanelRules rules;
        rules.setTexts(entry(c.home));
        ASSERT_TRUE(rules.mouseDown(true, kHomeCentreX, kHomeCentreY)) << c.name;
        EXPECT_TRUE(rules.pressed()) << c.name;
        QString navigateTo = QStringLiteral("stale");
        EXPECT_FALSE(rules.mouseUp(false, c.releaseX, kHomeCentreY, navigateTo)) << c.name; // the right button
        EXPECT_EQ(rules.mode(), InformationPanelRules::HomeHeld) << c.name;
        if (c.lost) {
            EXPECT_TRUE(rules.releaseLost()) << c.name;
            EXPECT_FALSE(rules.mouseUp(true, c.releaseX, kHomeCentreY, navigateTo)) << c.name;
        } else {
            EXPECT_TRUE(rules.mouseUp(true, c.releaseX, kHomeCentreY, navigateTo)) << c.name;
        }
        EXPECT_EQ(navigateTo, c.navigated) << c.name;
        EXPECT_EQ(rules.mode(), InformationPanelRules::Idle) << c.name;
        EXPECT_FALSE(rules.pressed()) << c.name;
    }
}

TEST(InformationPanelRules, PressedFollowsThePointerWhileHeld)
{
    InformationPanelRules rules;
    rules.setTexts(entry(QStringLiteral("http://example.jp/a")));
    rules.mouseDown(true, kHomeCentreX, kHomeCentreY);
    EXPECT_TRUE(rules.mouseMove(0, 0));
    EXPECT_FALSE(rules.pressed());
    EXPECT_TRUE(rules.hover()); // the held button keeps its highlight
    EXPECT_TRUE(rules.mouseMove(kHomeCentreX, kHomeCentreY));
    EXPECT_TRUE(rules.pressed());
    EXPECT_EQ(rules.click(), QString()); // nothing while the mouse holds it
    QString navigateTo;
    rules.mouseUp(true, 0, 0, navigateTo);
    EXPECT_FALSE(rules.hover());
    EXPECT_EQ(rules.click(), u"http://example.jp/a");
}

} // namespace
