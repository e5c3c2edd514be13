#include "PlayCount.h"

#include "Random.h"
#include "RequestToken.h"

namespace kalvuno {

bool isLibraryId(const QString &key)
{
    return key.size() == 16 && !key.contains(u'.') && !key.contains(u'\\') && !key.contains(u'/');
}

QByteArray playCountBody(const QString &key, const QByteArray &randomText, int32_t day)
{
    const std::string token = makeRequestToken(key.toStdString(), randomText.toStdString(), day);
    return QByteArray::fromStdString(token) + '\r' + randomText;
}

QByteArray randomTokenText()
{
    const uint32_t length = 16 + randomBelow(20);
    QByteArray text;
    for (uint32_t i = 0; i < length; ++i)
        text += kTokenAlphabet[randomBelow(uint32_t(kTokenAlphabet.size()))];
    return text;
}

} // namespace kalvuno
