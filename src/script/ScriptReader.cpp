// Reading a script: a file, a pipe, a FIFO or standard input, always to its end.
#include "script/ScriptError.h"
#include "script/ScriptParser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace script {

Script loadScript(const QString& path)
{
    QFile file;
    QString folder = QDir::currentPath();
    bool opened = false;
    if (path == u"-") {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(path);
        opened = file.open(QIODevice::ReadOnly);
        folder = QFileInfo(path).absolutePath();
    }
    const QString name = path == u"-" ? QStringLiteral("stdin") : path;
    if (!opened)
        throw ScriptError(name, 0, QStringLiteral("cannot read the script: ") + file.errorString());
    // A pipe answers atEnd() before its writer has written, so the end is where read() gives
    // nothing more. Reading stops one byte past the limit, or at the chunk with a NUL byte (an
    // endless device such as /dev/zero); the parser then says which of the two it is.
    QByteArray text;
    while (text.size() <= kMaxScriptBytes) {
        const QByteArray chunk = file.read(1024 * 1024);
        if (file.error() != QFileDevice::NoError)
            throw ScriptError(name, 0,
                              QStringLiteral("cannot read the script: ") + file.errorString());
        if (chunk.isEmpty())
            break;
        text += chunk;
        if (chunk.contains('\0'))
            break;
    }
    return parseScript(text, name, folder);
}

} // namespace script
