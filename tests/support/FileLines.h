#pragma once

#include "opos/FilePrintLines.h"

#include <QBuffer>
#include <QStringList>

// The lines a text file's bytes hold, read in place the way a print job reads them, and the
// encoding the reader took them in.
inline QStringList linesOf(const QByteArray& bytes, TextEncoding* encoding = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TextFileLines lines(buffer);
    QStringList all;
    while (auto line = lines.next())
        all << *line;
    if (encoding)
        *encoding = lines.encoding();
    return all;
}
