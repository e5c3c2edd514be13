#pragma once

#include <QRect>
#include <QString>

class QWidget;

// A widget that paints buttons of its own instead of holding button widgets.
// Screen readers and automation see each as a push button with a name that
// they can press (through Qt's accessibility bridge, AT-SPI on Linux).
class VirtualButtons
{
public:
    virtual ~VirtualButtons() = default;
    virtual int virtualButtonCount() const = 0;
    virtual QString virtualButtonName(int i) const = 0;
    virtual QRect virtualButtonRect(int i) const = 0; // in the widget's coordinates
    virtual bool virtualButtonEnabled(int i) const = 0;
    virtual bool virtualButtonPressed(int i) const = 0;
    virtual void pressVirtualButton(int i) = 0;

    // Makes Qt's accessibility ask us for this widget's interface. Call it at
    // the end of the widget's constructor: an interface that Qt made while the
    // widget was still only a QWidget (it does when a screen reader is already
    // listening) is replaced.
    static void installAccessibility(QWidget *widget);
    // Tells assistive tools that a button's name changed (the play button
    // becoming the pause button).
    static void nameChanged(QWidget *widget, int i);
};
