#pragma once

#include <QString>
#include <array>
#include <cstddef>

// Hands out one shared copy of texts that repeat, so that a million cells or list items holding
// the same few texts store each of them once. Only short texts are pooled, in a fixed number of
// slots chosen by the text's hash: a new text takes its slot over, so sharing costs one hash and
// one comparison, never an allocation of the pool's own, and the pool never grows.
class TextPool
{
public:
    QString share(const QString& text);

private:
    static constexpr std::size_t kSlots = 4096;
    std::array<QString, kSlots> m_slots;
};
