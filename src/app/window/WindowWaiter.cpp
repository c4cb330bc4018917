#include "app/window/WindowWaiter.h"

#include "app/window/TitleFit.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <limits>

namespace {

using std::chrono::milliseconds;

constexpr int kTickMs = 100; // how often the box looks at the clock
constexpr char kTakesInputDuringWaits[] = "takesInputDuringWaits";

milliseconds steadyNow()
{
    return std::chrono::duration_cast<milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

QString elapsedText(milliseconds elapsed)
{
    return QStringLiteral("Elapsed: %1 s").arg(elapsed.count() / 1000);
}

// The reason a cancelled call gives, so that it does not read as a device that ran out of time.
QString cancelledText(milliseconds elapsed)
{
    return QStringLiteral("cancelled by the user after %1 s")
        .arg(double(elapsed.count()) / 1000.0, 0, 'f', 1);
}

// Whole seconds, rounded up: "0 s" only once the time is over.
QString timeLeftText(qint64 remainingMs)
{
    return QStringLiteral("Time left: %1 s").arg((std::max<qint64>(remainingMs, 0) + 999) / 1000);
}

} // namespace

// One wait on the GUI thread: its nested loop, its deadline and its box.
class WindowWaiter::GuiWait
{
public:
    GuiWait(WindowWaiter& owner, const QString& what, QDeadlineTimer deadline,
            const std::function<bool()>& ready)
        : m_owner(owner), m_subject(owner.callSubject()), m_what(what), m_deadline(deadline),
          m_ready(ready), m_start(owner.m_clock())
    {
        m_deadlineTimer.setSingleShot(true);
        QObject::connect(&m_deadlineTimer, &QTimer::timeout, &m_loop, [this] { check(); });
        m_tick.setInterval(kTickMs);
        QObject::connect(&m_tick, &QTimer::timeout, &m_loop, [this] { tick(); });
    }
    ~GuiWait()
    {
        if (m_box) {
            m_box->hide();
            m_box->deleteLater();
        }
    }
    GuiWait(const GuiWait&) = delete;
    GuiWait& operator=(const GuiWait&) = delete;

    Outcome run()
    {
        check();
        if (m_done)
            return m_outcome;
        tick();
        m_tick.start();
        m_loop.exec();
        return m_outcome;
    }

    // Ends the wait when it is ready, over or cancelled; otherwise sets the deadline's timer.
    void check()
    {
        if (m_done)
            return;
        const Bound limit = m_owner.bound(m_deadline);
        if (limit.cancelled || m_cancelled)
            finish(Outcome::Cancelled);
        else if (m_ready())
            finish(Outcome::Ready);
        else if (limit.deadline.hasExpired())
            finish(Outcome::TimedOut);
        else if (!limit.deadline.isForever())
            m_deadlineTimer.start(static_cast<int>(std::clamp<qint64>(
                limit.deadline.remainingTime(), 0, std::numeric_limits<int>::max())));
    }

private:
    void finish(Outcome outcome)
    {
        m_done = true;
        m_outcome = outcome;
        m_deadlineTimer.stop();
        m_tick.stop();
        m_loop.exit();
    }

    void tick()
    {
        const milliseconds elapsed = m_owner.m_clock() - m_start;
        if (!m_box && elapsed >= m_owner.m_showDelay)
            showBox();
        if (!m_elapsed)
            return;
        const QDeadlineTimer limit = m_owner.bound(m_deadline).deadline;
        m_elapsed->setText(limit.isForever() ? elapsedText(elapsed)
                                             : timeLeftText(limit.remainingTime()));
    }

    void showBox()
    {
        const QString device = m_subject.device.isEmpty() ? m_what : m_subject.device;
        m_box = new QDialog(m_owner.m_window);
        m_box->setObjectName(QStringLiteral("dlgWait"));
        m_box->setWindowTitle(QStringLiteral("Waiting for %1").arg(device));
        auto* layout = new QVBoxLayout(m_box);
        auto* deviceLabel = new QLabel(QStringLiteral("Device: %1").arg(device), m_box);
        deviceLabel->setObjectName(QStringLiteral("lblWaitDevice"));
        layout->addWidget(deviceLabel);
        const QString purpose = m_subject.purpose.isEmpty() ? device : m_subject.purpose;
        auto* waitingFor = new QLabel(QStringLiteral("Waiting for %1…").arg(purpose), m_box);
        waitingFor->setObjectName(QStringLiteral("lblWaitingFor"));
        layout->addWidget(waitingFor);
        m_elapsed = new QLabel(m_box);
        m_elapsed->setObjectName(QStringLiteral("lblWaitElapsed"));
        layout->addWidget(m_elapsed);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, m_box);
        buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancelWait"));
        layout->addWidget(buttons);
        QObject::connect(buttons, &QDialogButtonBox::rejected, m_box, &QDialog::reject);
        // Cancel, Escape and the close box all end the wait and the rest of its call.
        QObject::connect(m_box, &QDialog::rejected, &m_loop, [this] {
            m_cancelled = true;
            m_owner.cancelCall(cancelledText(m_owner.m_clock() - m_start));
            check();
        });
        fitTitle(*m_box);
        m_box->show();
    }

    WindowWaiter& m_owner;
    const Subject m_subject;
    const QString m_what;
    const QDeadlineTimer m_deadline;
    const std::function<bool()>& m_ready;
    const milliseconds m_start;
    QEventLoop m_loop;
    QTimer m_deadlineTimer;
    QTimer m_tick;
    QPointer<QDialog> m_box;
    QLabel* m_elapsed = nullptr;
    bool m_cancelled = false;
    bool m_done = false;
    Outcome m_outcome = Outcome::TimedOut;
};

WindowWaiter::WindowWaiter(Clock clock, milliseconds showDelay, QObject* parent)
    : QObject(parent), m_clock(clock ? std::move(clock) : Clock(steadyNow)), m_showDelay(showDelay)
{}

WindowWaiter::~WindowWaiter() = default;

void WindowWaiter::setWindow(QWidget* window)
{
    m_window = window;
}

void WindowWaiter::letThrough(QWidget& control)
{
    control.setProperty(kTakesInputDuringWaits, true);
}

WindowWaiter::Outcome WindowWaiter::wait(const QString& what, QDeadlineTimer deadline,
                                         const std::function<bool()>& ready)
{
    if (QThread::currentThread() != thread())
        return m_blocking.wait(what, bound(deadline).deadline, ready);
    // An answer that comes at once needs no nested loop, no timers and no filter.
    if (readyAtOnce(deadline, ready))
        return Outcome::Ready;
    GuiWait current(*this, what, deadline, ready);
    if (m_waits.empty()) {
        qApp->installEventFilter(this);
        emit waitStarted();
    }
    m_waits.push_back(&current);
    ++m_guiWaits; // before the first look at ready(), so no wake is lost
    const Outcome outcome = current.run();
    --m_guiWaits;
    m_waits.pop_back();
    if (!m_waits.empty()) {
        // The outer wait's condition may have changed meanwhile.
        QMetaObject::invokeMethod(this, &WindowWaiter::checkInnermost, Qt::QueuedConnection);
        return outcome;
    }
    qApp->removeEventFilter(this);
    emit waitEnded();
    for (auto& resume : std::exchange(m_resume, {}))
        resume();
    return outcome;
}

void WindowWaiter::wake()
{
    m_blocking.wake();
    if (m_guiWaits.load() > 0)
        QMetaObject::invokeMethod(this, &WindowWaiter::checkInnermost, Qt::QueuedConnection);
}

void WindowWaiter::checkInnermost()
{
    if (!m_waits.empty())
        m_waits.back()->check();
}

bool WindowWaiter::holdingEvents() const
{
    return !m_waits.empty() && QThread::currentThread() == thread();
}

void WindowWaiter::whenEventsFree(std::function<void()> resume)
{
    if (m_waits.empty())
        resume();
    else
        m_resume.push_back(std::move(resume));
}

bool WindowWaiter::blocksInput(QObject* watched, const QEvent* event) const
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        break;
    case QEvent::Shortcut:
        return true; // the main window's menu and keys would start another call
    default:
        return false;
    }
    if (!m_window)
        return false;
    QWidget* main = m_window->window();
    if (const auto* widget = qobject_cast<const QWidget*>(watched))
        return widget->window() == main && !letsThrough(widget);
    const auto* window = qobject_cast<const QWindow*>(watched);
    if (!window || window != main->windowHandle())
        return false;
    // The window system hands a click to the window first; the widget under it decides.
    if (const auto* mouse = dynamic_cast<const QMouseEvent*>(event))
        return !letsThrough(main->childAt(main->mapFromGlobal(mouse->globalPosition().toPoint())));
    return true;
}

bool WindowWaiter::letsThrough(const QWidget* widget)
{
    for (; widget && !widget->isWindow(); widget = widget->parentWidget()) {
        if (widget->property(kTakesInputDuringWaits).toBool())
            return widget->isVisible() && widget->isEnabled();
    }
    return false;
}

bool WindowWaiter::eventFilter(QObject* watched, QEvent* event)
{
    // Taken away, not queued: a click during the wait must not run after it either.
    if (blocksInput(watched, event))
        return true;
    return QObject::eventFilter(watched, event);
}
