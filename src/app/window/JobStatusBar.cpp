#include "app/window/JobStatusBar.h"

#include "app/window/WindowWaiter.h"
#include "printer/FilePrintCommands.h"
#include "services/StatusNote.h"

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

namespace {

constexpr int kFrameMs = 16;

QString progressText(const FilePrintCommands::Progress& progress)
{
    if (progress.waitingForOutput)
        return QStringLiteral("waiting for earlier output to finish");
    QString text = QStringLiteral("line %1").arg(progress.line);
    if (progress.lines)
        text += QStringLiteral(" of %1").arg(*progress.lines);
    return text;
}

QString stoppedText(const FilePrintCommands::Progress& at)
{
    QString text = QStringLiteral("Stopped at line %1").arg(at.line);
    if (at.lines)
        text += QStringLiteral(" of %1").arg(*at.lines);
    return text;
}

} // namespace

JobStatusBar::JobStatusBar(QStatusBar& bar, FilePrintCommands& jobs, const StatusNote& note,
                           QObject* parent)
    : QObject(parent), m_jobs(jobs), m_note(note), m_text(new QLabel(&bar)),
      m_stop(new QPushButton(QStringLiteral("Stop"), &bar))
{
    m_text->setObjectName(QStringLiteral("lblJobStatus"));
    // A long text is cut at the bar's edge instead of widening the window.
    m_text->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_stop->setObjectName(QStringLiteral("cmdStopJob"));
    m_stop->setFocusPolicy(Qt::NoFocus);
    WindowWaiter::letThrough(*m_stop);
    bar.addWidget(m_text, 1);
    bar.addPermanentWidget(m_stop);
    // The bar keeps its height whether the button shows or not.
    bar.setMinimumHeight(bar.sizeHint().height());
    m_stop->hide();

    m_frame.setInterval(kFrameMs);
    connect(&m_frame, &QTimer::timeout, this, &JobStatusBar::refresh);
    connect(m_stop, &QPushButton::clicked, &jobs, &FilePrintCommands::StopJob);
    connect(&jobs, &FilePrintCommands::jobStarted, this, [this] {
        m_stop->show();
        m_frame.start();
        refresh();
    });
    connect(&jobs, &FilePrintCommands::jobEnded, this, [this] {
        m_frame.stop();
        m_stop->hide();
        const auto stoppedAt = m_jobs.stoppedAt();
        m_stopped = stoppedAt ? stoppedText(*stoppedAt) : QString();
        m_errorAtStop = m_note.text();
        refresh();
    });
    connect(&note, &StatusNote::changed, this, &JobStatusBar::refresh);
    refresh();
}

void JobStatusBar::refresh()
{
    const FilePrintCommands::Progress progress = m_jobs.progress();
    QString text;
    if (progress.running) {
        text = progressText(progress);
    } else {
        text = m_note.text();
        if (!m_stopped.isEmpty() && text == m_errorAtStop)
            text = m_stopped;
        else
            m_stopped.clear();
    }
    if (m_text->text() != text)
        m_text->setText(text);
}
