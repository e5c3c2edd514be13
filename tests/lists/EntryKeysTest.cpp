#include "EntryKeys.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace kalvuno;

namespace {

// Every edit, in any order, leaves the packed keys equal to a QStringList
// given the same edits: keys of different lengths, Japanese ones, an empty
// one, one that starts with U+FEFF and the same key twice.
TEST(EntryKeys, BehaveAsAStringListUnderEveryEdit)
{
    const QStringList pool{u"0123456789abcdef"_qs, u"/music/[2001] 夜明け/01.mp3"_qs, QString(), u"a"_qs,
                           u"http://h/?a=b"_qs, u"曲"_qs, u"\uFEFF曲"_qs};
    QRandomGenerator random(20261211);
    for (int round = 0; round < 200; ++round) {
        QStringList model;
        for (int i = 0; i < int(random.bounded(4)); ++i)
            model.append(pool[random.bounded(pool.size())]);
        EntryKeys keys(model);
        for (int step = 0; step < 30; ++step) {
            const int size = int(model.size());
            const QString key = pool[random.bounded(pool.size())];
            switch (random.bounded(4)) {
            case 0: {
                const int at = int(random.bounded(size + 1));
                model.insert(at, key);
                keys.insert(at, key);
                break;
            }
            case 1:
                if (size > 0) {
                    const int at = int(random.bounded(size));
                    model.removeAt(at);
                    keys.removeAt(at);
                }
                break;
            case 2:
                if (size > 0) {
                    const int i = int(random.bounded(size));
                    const int j = int(random.bounded(size));
                    model.swapItemsAt(i, j);
                    keys.swapItemsAt(i, j);
                }
                break;
            case 3:
                EXPECT_EQ(keys.indexOf(key), model.indexOf(key)) << qPrintable(key);
                break;
            }
            ASSERT_EQ(keys.toList(), model) << "round " << round << " step " << step;
            ASSERT_EQ(keys.size(), model.size());
        }
        keys.clear();
        EXPECT_TRUE(keys.isEmpty());
        EXPECT_EQ(keys.indexOf(pool[0]), -1);
    }
}

} // namespace
