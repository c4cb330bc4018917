#include "script/ReportFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace script {

ReportFile::ReportFile(QString path) : m_path(std::move(path)) {}

ReportFile::~ReportFile() = default;

bool ReportFile::fail(const QString& reason)
{
    m_error = reason.isEmpty() ? QStringLiteral("the system gave no reason") : reason;
    return false;
}

bool ReportFile::open()
{
    const QFileInfo info(m_path);
    if (info.isDir())
        return fail(QStringLiteral("it is a folder"));
    m_direct = info.exists() && !info.isFile();
    if (m_direct)
        m_file = std::make_unique<QFile>(m_path);
    else
        m_file = std::make_unique<QSaveFile>(m_path);
    // Unbuffered, so that a write the disk refuses fails at once with the system's reason.
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(m_file->errorString());
    return true;
}

bool ReportFile::write(const QByteArray& bytes)
{
    if (!m_file || !m_file->isOpen())
        return fail(QStringLiteral("the report file is not open"));
    if (m_file->write(bytes) != bytes.size())
        return fail(m_file->errorString());
    if (m_direct) {
        m_file->close();
        return m_file->error() == QFileDevice::NoError || fail(m_file->errorString());
    }
    auto& saved = static_cast<QSaveFile&>(*m_file);
    return saved.commit() || fail(saved.errorString());
}

void ReportFile::removeStale()
{
    m_file.reset(); // an unfinished QSaveFile discards what it wrote

    if (QFileInfo(m_path).isFile())
        QFile::remove(m_path);
}

} // namespace script
