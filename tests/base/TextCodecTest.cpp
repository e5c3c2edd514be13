#include "TextCodec.h"

#include <gtest/gtest.h>

using namespace kalvuno;

TEST(TextCodec, Cp932EncodingTable)
{
    struct Case
    {
        const char16_t *text;
        const char *cp932Hex; // nullptr: no exact CP932 form
    };
    const Case cases[] = {
        {u"abc", "616263"},
        {u"現在", "8cbb8ddd"},
        {u"ｶﾅ", "b6c5"},                // half-width katakana are single bytes
        {u"①Ⅰ", "87408754"},            // NEC row 13
        {u"～", "8160"},                // U+FF5E is CP932's tilde
        {u"〜", nullptr},               // U+301C has only a look-alike
        {u"−", nullptr},                // U+2212 likewise
        {u"🎵", nullptr},
        {u"\\~", "5c7e"},
        {u"\U0000F781", "81"},          // a kept damaged byte goes back as that byte
    };
    for (const Case &c : cases) {
        const auto bytes = encodeCp932(QStringView(c.text));
        if (!c.cp932Hex) {
            EXPECT_FALSE(bytes.has_value()) << QString::fromUtf16(c.text).toStdString();
            continue;
        }
        ASSERT_TRUE(bytes.has_value()) << QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(bytes->toHex().toStdString(), c.cp932Hex);
        EXPECT_EQ(decodeCp932(*bytes), QString::fromUtf16(c.text));
    }
}

TEST(TextCodec, FilesAndAppends)
{
    EXPECT_EQ(encodeFileText(u"曲").encoding, TextEncoding::Cp932);
    const EncodedText utf8 = encodeFileText(u"曲〜");
    EXPECT_EQ(utf8.encoding, TextEncoding::Utf8Bom);
    EXPECT_EQ(utf8.bytes, QByteArray(kUtf8Bom) + QStringLiteral("曲〜").toUtf8());
    const DecodedText back = decodeFileText(utf8.bytes);
    EXPECT_EQ(back.encoding, TextEncoding::Utf8Bom);
    EXPECT_EQ(back.text, u"曲〜");

    // Text that kept the bytes of a UTF-8 BOM as CP932 (EF is no CP932 lead
    // byte, BB and BF are half-width kana) must not be written as those bytes,
    // or it would read back as UTF-8 without them.
    const QString bomLike = decodeCp932("\xEF\xBB\xBF\x8b\xc8");
    const EncodedText kept = encodeFileText(bomLike);
    EXPECT_EQ(kept.encoding, TextEncoding::Utf8Bom);
    EXPECT_EQ(decodeFileText(kept.bytes).text, bomLike);

    // A second mark after the file's own is skipped (some editors write two),
    // but text that starts with U+FEFF keeps it, or each write would lose one
    // and "\uFEFF[a]" would become a section header.
    for (const QString &text : {u"\uFEFF[a]"_qs, u"\uFEFF\uFEFF曲〜"_qs}) {
        const EncodedText file = encodeFileText(text);
        EXPECT_EQ(file.encoding, TextEncoding::Utf8Bom);
        EXPECT_EQ(decodeFileText(file.bytes).text, text);
    }
    EXPECT_EQ(decodeFileText(QByteArray(kUtf8Bom) + kUtf8Bom + "[a]").text, u"[a]");

    EXPECT_EQ(encodeForAppend(u"曲", TextEncoding::Cp932), QByteArray("\x8b\xc8"));
    EXPECT_EQ(encodeForAppend(u"曲", TextEncoding::Utf8Bom), u"曲"_qs.toUtf8());
    EXPECT_FALSE(encodeForAppend(u"〜", TextEncoding::Cp932).has_value());
}

TEST(TextCodec, Utf8TextReadsExactlyAsHeld)
{
    EXPECT_FALSE(textFromUtf8(QByteArrayView("", 0)).isNull());
    EXPECT_TRUE(textFromUtf8(QByteArrayView("", 0)).isEmpty());
    for (const QString &text : {u"曲"_qs, u"\uFEFF曲"_qs, u"\uFEFF\uFEFF"_qs})
        EXPECT_EQ(textFromUtf8(text.toUtf8()), text);
}
