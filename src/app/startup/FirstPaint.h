#pragma once

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs `then` on the turn of the event loop after `widget` was first painted, so that work the
// first sight of a window does not need waits until the window is on the screen. Nothing runs
// when the widget goes first.
inline void afterFirstPaint(QWidget& widget, std::function<void()> then)
{
    class Watch final : public QObject
    {
    public:
        Watch(QWidget& widget, std::function<void()> then)
            : QObject(&widget), m_then(std::move(then))
        {
            widget.installEventFilter(this);
        }

        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) {
                watched->removeEventFilter(this);
                QTimer::singleShot(0, this, [this] {
                    m_then();
                    deleteLater();
                });
            }
            return false;
        }

    private:
        std::function<void()> m_then;
    };
    new Watch(widget, std::move(then));
}
