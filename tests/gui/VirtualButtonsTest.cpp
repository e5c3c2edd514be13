#include "QtPrinters.h"
#include "VirtualButtons.h"

#include <QAccessible>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Asks for its accessible interface while it is still only a QWidget, as Qt
// does on creation when a screen reader is already listening.
struct AskedEarly : QWidget
{
    AskedEarly() { QAccessible::queryAccessibleInterface(this); }
};

// Two painted buttons side by side; the second one can be switched off.
struct TwoButtons : AskedEarly, VirtualButtons
{
    TwoButtons()
    {
        resize(40, 20);
        VirtualButtons::installAccessibility(this);
    }
    int virtualButtonCount() const override { return 2; }
    QString virtualButtonName(int i) const override { return i == 0 ? QStringLiteral("左") : QStringLiteral("右"); }
    QRect virtualButtonRect(int i) const override { return QRect(20 * i, 0, 20, 20); }
    bool virtualButtonEnabled(int i) const override { return i == 0 || secondEnabled; }
    bool virtualButtonPressed(int i) const override { return i == 1; }
    void pressVirtualButton(int i) override { presses.append(i); }

    bool secondEnabled = false;
    QList<int> presses;
};

TEST(VirtualButtons, AreAccessiblePushButtons)
{
    TwoButtons widget;
    QAccessibleInterface *panel = QAccessible::queryAccessibleInterface(&widget);
    ASSERT_NE(panel, nullptr);
    // The interface made before the widget was whole has been replaced.
    ASSERT_EQ(panel->childCount(), 2);
    EXPECT_EQ(panel->role(), QAccessible::Grouping);

    QAccessibleInterface *left = panel->child(0);
    QAccessibleInterface *right = panel->child(1);
    EXPECT_EQ(left->text(QAccessible::Name), u"左");
    EXPECT_EQ(right->text(QAccessible::Name), u"右");
    EXPECT_EQ(right->rect(), QRect(widget.mapToGlobal(QPoint(20, 0)), QSize(20, 20)));
    EXPECT_EQ(panel->childAt(widget.mapToGlobal(QPoint(25, 5)).x(), widget.mapToGlobal(QPoint(25, 5)).y()), right);
    EXPECT_FALSE(left->state().disabled);
    EXPECT_TRUE(right->state().disabled);
    EXPECT_TRUE(right->state().pressed);
    EXPECT_EQ(left->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});

    left->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    right->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); // disabled: nothing
    widget.secondEnabled = true;
    right->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    left->actionInterface()->doAction(QStringLiteral("unknown"));
    EXPECT_EQ(widget.presses, (QList<int>{0, 1}));
}

} // namespace
