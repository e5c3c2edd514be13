#include "SeekText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr int kSignificantDigits = 15;

} // namespace

QString seekFractionText(double fraction)
{
    const double value = double(float(fraction));
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    if (value == 0)
        return QStringLiteral("0");

    // "d.dddddddddddddde-XX": the digits correctly rounded, and where the point goes.
    char buffer[40];
    const auto written = std::to_chars(
        buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, kSignificantDigits - 1);
    const std::string_view scientific(buffer, size_t(written.ptr - buffer));
    const size_t e = scientific.find('e');
    std::string digits = std::string(1, scientific[0]) + std::string(scientific.substr(2, e - 2));
    digits.erase(digits.find_last_not_of('0') + 1);
    int exponent = 0;
    std::from_chars(
        scientific.data() + e + 1 + (scientific[e + 1] == '+'), scientific.data() + scientific.size(), exponent);

    std::string out = value < 0 ? "-" : "";
    if (exponent < -5) {
        out += digits.substr(0, 1);
        if (digits.size() > 1)
            out += '.' + digits.substr(1);
        out += 'E' + std::to_string(exponent);
    } else if (exponent < 0) {
        out += "0." + std::string(size_t(-exponent - 1), '0') + digits;
    } else if (digits.size() <= size_t(exponent) + 1) {
        out += digits + std::string(size_t(exponent) + 1 - digits.size(), '0');
    } else {
        out += digits.substr(0, size_t(exponent) + 1) + '.' + digits.substr(size_t(exponent) + 1);
    }
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

std::optional<double> parseSeekFraction(QStringView text)
{
    // A digit or a point first: no blank, no sign, no "nan" or "inf".
    if (text.isEmpty() || !(text[0].isDigit() || text[0] == u'.'))
        return std::nullopt;
    std::string ascii;
    ascii.reserve(size_t(text.size()));
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
        ascii += char(c.unicode());
    }
    double value = 0;
    const char *end = ascii.data() + ascii.size();
    const auto [stop, error] = std::from_chars(ascii.data(), end, value, std::chars_format::general);
    if (error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return double(float(std::min(value, 1.0)));
}
