#include "RequestToken.h"

#include "HexDigit.h"
#include "TokenMultipliers.h"

#include <cfenv>
#include <cmath>
#include <ctime>

namespace kalvuno {

namespace {

bool isAlphanumeric(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

int32_t dayNumber(int year, int month, int day)
{
    // Days from civil (proleptic Gregorian), then shifted to the 1899-12-30 epoch.
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yoe = year - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t unixDays = int64_t(era) * 146097 + doe - 719468;
    return int32_t(unixDays + 25569);
}

int32_t todayDayNumber()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return dayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

int32_t tokenIdValue(std::string_view id)
{
    if (id.empty() || id.size() > 16)
        return 0;
    uint64_t value = 0;
    for (char c : id) {
        const int d = hexDigitValue(c);
        if (d < 0)
            return 0;
        value = value * 16 + uint64_t(d);
    }
    return int32_t(uint32_t(value));
}

std::string shuffledTokenAlphabet(std::string_view data, int32_t &count)
{
    std::string a(kTokenAlphabet);
    count = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (!isAlphanumeric(c))
            continue;
        std::swap(a[c % 62], a[i % 62]);
        ++count;
    }
    return a;
}

std::string makeRequestToken(std::string_view id, std::string_view data, int32_t day)
{
    int32_t n = 0;
    const std::string a = shuffledTokenAlphabet(data, n);
    // Wrapping 32-bit arithmetic, done in unsigned to keep it defined.
    const auto x = int32_t(uint32_t(tokenIdValue(id)) - uint32_t(day) + uint32_t(n));

    std::string token(id.substr(0, 8));
    const int previousRounding = std::fegetround();
    std::fesetround(FE_TONEAREST); // ties to even
    for (long double k : kTokenMultipliers) {
        const auto rounded = static_cast<int64_t>(std::nearbyintl(static_cast<long double>(x) * k));
        const unsigned b = static_cast<unsigned>(static_cast<uint64_t>(rounded) & 0xFF);
        token += a[b % 62];
    }
    std::fesetround(previousRounding);
    return token;
}

} // namespace kalvuno
