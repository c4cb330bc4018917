#include "opos/TextEncoder.h"

#include <stdexcept>

namespace opos {

namespace {

const char* codecName(int characterSet)
{
    switch (characterSet) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 858:
        return "IBM00858";
    case 866:
        return "IBM866";
    case 1252:
        return "windows-1252";
    default:
        return nullptr;
    }
}

constexpr char kReplacement = '?';

} // namespace

TextEncoder::TextEncoder(int characterSet) : m_characterSet(characterSet)
{
    if (characterSet == 998)
        return;
    const char* name = codecName(characterSet);
    if (name == nullptr)
        throw std::invalid_argument("Character set " + std::to_string(characterSet) +
                                    " is not supported");
    m_encoder = std::make_unique<QStringEncoder>(name);
    if (!m_encoder->isValid())
        throw std::invalid_argument(std::string("No converter for ") + name);
}

bool TextEncoder::supports(int characterSet)
{
    return characterSet == 998 || codecName(characterSet) != nullptr;
}

QByteArray TextEncoder::encode(QStringView text)
{
    QByteArray out;
    encodeTo(out, text);
    return out;
}

void TextEncoder::encodeTo(QByteArray& out, QStringView text)
{
    // Every supported set keeps ASCII as it is, so the common case needs no converter.
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype run = i;
        while (run < text.size() && text[run].unicode() < 0x80)
            ++run;
        if (run > i) {
            const qsizetype start = out.size();
            out.resize(start + run - i);
            char* to = out.data() + start;
            for (; i < run; ++i)
                *to++ = static_cast<char>(text[i].unicode());
            continue;
        }
        const char16_t c = text[i].unicode();
        const qsizetype length = QChar::isHighSurrogate(c) && i + 1 < text.size() ? 2 : 1;
        encodeCodePoint(out, text.sliced(i, length));
        i += length;
    }
}

void TextEncoder::encodeCodePoint(QByteArray& out, QStringView codePoint)
{
    if (!m_encoder) {
        out.append(kReplacement);
        return;
    }
    m_encoder->resetState();
    const QByteArray bytes = m_encoder->encode(codePoint);
    if (m_encoder->hasError() || bytes.size() != 1) {
        out.append(kReplacement);
        // The converter keeps its error once it has one, which resetState() does not clear:
        // a fresh one keeps the next characters from all turning into replacements.
        m_encoder = std::make_unique<QStringEncoder>(codecName(m_characterSet));
    } else {
        out.append(bytes);
    }
}

} // namespace opos
