#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QFileDevice;

namespace script {

// Where the JUnit report goes. Opened before the script runs, so that a report that cannot be
// written stops the run before the printer prints; replaced whole when the run ends. A regular
// file (or a new one) is written beside itself and renamed into place; anything else (a FIFO,
// /dev/stdout) is written directly.
class ReportFile
{
public:
    explicit ReportFile(QString path);
    ~ReportFile();

    // Both return false with the system's reason in error().
    bool open();
    bool write(const QByteArray& bytes);

    // Removes what the path holds, so that an old report cannot pass for this run's.
    void removeStale();

    const QString& path() const { return m_path; }
    const QString& error() const { return m_error; }

private:
    bool fail(const QString& reason);

    QString m_path;
    QString m_error;
    std::unique_ptr<QFileDevice> m_file;
    bool m_direct = false;
};

} // namespace script
