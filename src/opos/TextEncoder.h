#pragma once

#include <QByteArray>
#include <QStringEncoder>
#include <QStringView>
#include <memory>

namespace opos {

// Encodes text for one character set (437, 850, 858, 866, 1252, or 998 plain ASCII). A character
// the set lacks becomes '?', never a silent control byte.
class TextEncoder
{
public:
    explicit TextEncoder(int characterSet); // throws std::invalid_argument for an unknown set
    static bool supports(int characterSet);

    int characterSet() const { return m_characterSet; }
    QByteArray encode(QStringView text);
    void encodeTo(QByteArray& out, QStringView text);

private:
    void encodeCodePoint(QByteArray& out, QStringView codePoint);

    int m_characterSet;
    std::unique_ptr<QStringEncoder> m_encoder; // null for ASCII
};

} // namespace opos
