#include "RankChart.h"

#include "HexDigit.h"

#include <algorithm>

namespace kalvuno {

namespace {

// One or two hexadecimal digits; anything else reads as 0.
int readPair(QStringView pair)
{
    int value = 0;
    for (const QChar c : pair) {
        const int digit = c.unicode() < 0x80 ? hexDigitValue(char(c.unicode())) : -1;
        if (digit < 0)
            return 0;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

RankChart RankChart::read(QStringView text)
{
    RankChart chart;
    for (int k = 0; k < kMaxValues && 2 * k < text.size(); ++k) {
        const int rank = readPair(text.mid(2 * k, 2));
        chart.values[size_t(k)] = {rank, rank != 0 && rank != 255};
        chart.count = k + 1;
        if (chart.values[size_t(k)].valid)
            chart.max = std::max(chart.max, rank);
    }
    return chart;
}

bool RankChart::drawn() const
{
    return std::any_of(values.begin(), values.begin() + count, [](const Value &v) { return v.valid; });
}

QString RankChart::label(int k) const
{
    const Value &v = values[size_t(k)];
    return v.valid ? QString::number(v.rank) : QStringLiteral("-");
}

} // namespace kalvuno
