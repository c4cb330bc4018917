#pragma once

#include <QSet>
#include <QString>

// Hands out one shared copy of texts that repeat, so that a million cells or list items holding
// the same few texts store each of them once. Only short texts are pooled, and the pool forgets
// everything when it is full, so it never grows beyond a few thousand entries.
class TextPool
{
public:
    QString share(const QString& text);

private:
    QSet<QString> m_texts;
};
