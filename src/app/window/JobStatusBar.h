#pragma once

#include <QObject>
#include <QTimer>

class FilePrintCommands;
class QLabel;
class QPushButton;
class QStatusBar;
class StatusNote;

// What the window's status bar shows: while a file job runs, its progress ("line N of M", M once
// counted) and a Stop button (`cmdStopJob`) that ends the job after its current line, clickable
// even while a line waits for the printer; after a stopped job "Stopped at line N of M" until the
// printer has something new to say; otherwise the note on the printer's last call (a failure and
// its reason, a property write), as long as it holds. During a job the text changes at most once
// a frame, not per line.
class JobStatusBar : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JobStatusBar)

public:
    JobStatusBar(QStatusBar& bar, FilePrintCommands& jobs, const StatusNote& note,
                 QObject* parent = nullptr);

    // Shows the state of now.
    void refresh();

private:
    FilePrintCommands& m_jobs;
    const StatusNote& m_note;
    QLabel* m_text;
    QPushButton* m_stop;
    QTimer m_frame;        // runs while a job does
    QString m_stopped;     // "Stopped at line N of M" of the last job
    QString m_errorAtStop; // the note when it stopped
};
