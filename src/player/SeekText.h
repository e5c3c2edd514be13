#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The number of a "Seek" command, written and read by our code alone, in one
// locale-independent format. The fraction travels as a 32-bit float: its exact
// value with 15 significant digits, trailing zeros dropped; fixed notation from
// 0.00001 up ("0.100000001490116", "0.25", "1", "0"), below that scientific
// with a capital "E" and a bare exponent ("9.99999997475243E-7").
QString seekFractionText(double fraction);

// Reads that format, scientific with "E" or "e" too. Empty text, blanks
// anywhere, a sign, "nan" and "inf" do not read. A fraction beyond 1 is 1:
// a seek past the end is a seek to the end.
std::optional<double> parseSeekFraction(QStringView text);
