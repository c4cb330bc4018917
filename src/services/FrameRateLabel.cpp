#include "services/FrameRateLabel.h"

#include <QLabel>
#include <QTimer>
#include <utility>

namespace {

constexpr int kFrameMs = 16;

// Lives on the label: lets one repaint through, then holds the label's repaints back until the
// frame is over and repaints once if the text changed meanwhile.
class FrameLimiter : public QObject
{
    Q_OBJECT

public:
    explicit FrameLimiter(QLabel& label) : QObject(&label), m_label(label)
    {
        m_frame.setSingleShot(true);
        m_frame.setInterval(kFrameMs);
        connect(&m_frame, &QTimer::timeout, this, [this] { frameOver(); });
    }

    void show(const QString& text)
    {
        if (!m_frame.isActive()) {
            m_label.setText(text); // repaints at the next turn of the event loop
            m_frame.start();
            return;
        }
        m_label.setUpdatesEnabled(false);
        m_label.setText(text);
        m_held = true;
    }

private:
    void frameOver()
    {
        if (!std::exchange(m_held, false))
            return;
        m_label.setUpdatesEnabled(true);
        m_label.update();
        m_frame.start();
    }

    QLabel& m_label;
    QTimer m_frame;
    bool m_held = false;
};

} // namespace

void showAtFrameRate(QLabel& label, const QString& text)
{
    if (label.text() == text)
        return;
    auto* limiter = label.findChild<FrameLimiter*>(QString(), Qt::FindDirectChildrenOnly);
    if (!limiter)
        limiter = new FrameLimiter(label);
    limiter->show(text);
}

#include "FrameRateLabel.moc"
