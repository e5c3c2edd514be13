#pragma once

#include <QString>
#include <QStringView>
#include <array>

namespace kalvuno {

// The information panel's chart of an entry's recent weekly ranks. The rank
// text holds up to five values of two hexadecimal digits each, the newest
// first; 0, 255 and digits that do not read mean "no rank that week".
struct RankChart
{
    struct Value
    {
        int rank = 0;
        bool valid = false;
    };

    static constexpr int kMaxValues = 5;
    std::array<Value, kMaxValues> values{};
    int count = 0; // values present in the text
    int max = 10;  // the chart's scale: 10, or the largest rank when higher

    static RankChart read(QStringView text);

    // No valid value: no chart, not even the labels.
    bool drawn() const;
    // The newest value on the right; a better (smaller) rank higher up.
    static int x(int k) { return (4 - k) * 24 + 60; }
    int y(int rank) const { return rank * 33 / max + 137; }
    QString label(int k) const;
    // A line joins a value to the one before it when both are valid.
    bool lineTo(int k) const { return k > 0 && values[size_t(k)].valid && values[size_t(k - 1)].valid; }
    // How much the panel's text colour is scaled for a value's line and dot:
    // older values are darker.
    static float lineFactor(int k) { return float(1.3L - (k + 0.5L) / 6.5L); }
    static float dotFactor(int k) { return float(1.3L - k / 6.5L); }
};

} // namespace kalvuno
