#pragma once

// Qt's QTRY_ macros report a failure to QTest's own log and return quietly,
// which GoogleTest never sees: a test would pass although its condition never
// came true. These keep Qt's waiting (events are processed meanwhile) and
// fail through GoogleTest.
#include "QtPrinters.h"

#include <QTest>
#include <gtest/gtest.h>

#undef QTRY_VERIFY_WITH_TIMEOUT
#undef QTRY_VERIFY
#undef QTRY_COMPARE_WITH_TIMEOUT
#undef QTRY_COMPARE

#define QTRY_VERIFY_WITH_TIMEOUT(expr, timeoutMs)                                                                      \
    do {                                                                                                               \
        static_cast<void>(QTest::qWaitFor([&]() -> bool { return bool(expr); }, timeoutMs));                                             \
        ASSERT_TRUE(expr) << "still false after " << (timeoutMs) << " ms";                                             \
    } while (false)
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT(expr, 5000)
#define QTRY_COMPARE_WITH_TIMEOUT(actual, expected, timeoutMs)                                                         \
    do {                                                                                                               \
        static_cast<void>(QTest::qWaitFor([&]() -> bool { return (actual) == (expected); }, timeoutMs));                                 \
        ASSERT_EQ(actual, expected) << "after " << (timeoutMs) << " ms";                                               \
    } while (false)
#define QTRY_COMPARE(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, 5000)
