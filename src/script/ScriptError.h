#pragma once

#include <QString>
#include <stdexcept>

namespace script {

// A script that cannot run: what is wrong and where ("self-test.txt:12: unknown member Foo").
class ScriptError : public std::runtime_error
{
public:
    ScriptError(const QString& fileName, int line, const QString& message)
        : std::runtime_error((line > 0
                                  ? QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(message)
                                  : QStringLiteral("%1: %2").arg(fileName, message))
                                 .toStdString()),
          m_line(line)
    {}
    int line() const { return m_line; }

private:
    int m_line;
};

} // namespace script
