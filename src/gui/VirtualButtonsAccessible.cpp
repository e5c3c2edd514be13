// The accessible side of VirtualButtons: the widget is a grouping whose
// children are push buttons without widgets of their own, the way Qt's item
// views expose their cells.
#include "VirtualButtons.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <map>

namespace {

VirtualButtons *buttonsOf(QWidget *widget) { return dynamic_cast<VirtualButtons *>(widget); }

class VirtualButtonInterface : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    VirtualButtonInterface(QWidget *widget, int index) : m_widget(widget), m_index(index) {}

    bool isValid() const override
    {
        return m_widget && buttonsOf(m_widget) && m_index < buttons()->virtualButtonCount();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_widget ? m_widget->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_widget.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? buttons()->virtualButtonName(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = buttons()->virtualButtonRect(m_index);
        return QRect(m_widget->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.disabled = !buttons()->virtualButtonEnabled(m_index);
        s.pressed = buttons()->virtualButtonPressed(m_index);
        s.invisible = !m_widget->isVisible();
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction() && isValid() && buttons()->virtualButtonEnabled(m_index))
            buttons()->pressVirtualButton(m_index);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    VirtualButtons *buttons() const { return buttonsOf(m_widget.data()); }

    QPointer<QWidget> m_widget;
    int m_index;
};

class PanelInterface : public QAccessibleWidget
{
public:
    explicit PanelInterface(QWidget *widget) : QAccessibleWidget(widget, QAccessible::Grouping) {}
    ~PanelInterface() override
    {
        for (const auto &[index, id] : m_children)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return buttons() ? buttons()->virtualButtonCount() : 0; }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        const auto found = m_children.find(index);
        if (found != m_children.end())
            return QAccessible::accessibleInterface(found->second);
        auto *button = new VirtualButtonInterface(widget(), index);
        m_children[index] = QAccessible::registerAccessibleInterface(button);
        return button;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (const auto &[index, id] : m_children)
            if (QAccessible::accessibleInterface(id) == child)
                return index;
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        for (int i = childCount() - 1; i >= 0; --i)
            if (buttons()->virtualButtonRect(i).contains(local))
                return child(i);
        return nullptr;
    }

private:
    VirtualButtons *buttons() const { return buttonsOf(widget()); }

    mutable std::map<int, QAccessible::Id> m_children;
};

QAccessibleInterface *panelFactory(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget && buttonsOf(widget))
        return new PanelInterface(widget);
    return nullptr;
}

} // namespace

void VirtualButtons::installAccessibility(QWidget *widget)
{
    static const bool installed = [] {
        QAccessible::installFactory(panelFactory);
        return true;
    }();
    (void)installed;
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget);
    if (made && !dynamic_cast<PanelInterface *>(made)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
        QAccessible::queryAccessibleInterface(widget);
    }
}

void VirtualButtons::nameChanged(QWidget *widget, int i)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(widget, QAccessible::NameChanged);
    event.setChild(i);
    QAccessible::updateAccessibility(&event);
}
