#pragma once

#include <QString>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// A long, append-only list of short texts stored as UTF-8 in large blocks: a million lines of
// 40 characters take about 52 MB instead of the 140 MB of as many QStrings, and appending never
// moves what is stored.
class PackedTexts
{
public:
    void append(const QString& text);
    QString at(std::size_t index) const;
    std::size_t size() const { return m_entries.size(); }
    void clear();

private:
    struct Entry
    {
        uint32_t block;
        uint32_t offset;
        uint32_t length;
    };

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_used = 0; // bytes used in the last block
    std::deque<Entry> m_entries;
};
