#pragma once

#include <QObject>
#include <functional>

// An event filter made of a function: true from it takes the event.
class EventWatch final : public QObject
{
public:
    EventWatch(QObject *parent, std::function<bool(QObject *, QEvent *)> watch)
        : QObject(parent), m_watch(std::move(watch))
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override { return m_watch(watched, event); }

private:
    std::function<bool(QObject *, QEvent *)> m_watch;
};
