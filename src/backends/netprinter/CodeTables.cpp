#include "backends/netprinter/CodeTables.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <utility>

namespace netprinter {

std::optional<CodeTable> codeTable(int n)
{
    static constexpr std::array<std::pair<int, const char*>, 7> kTables{{{0, "IBM437"},
                                                                         {2, "IBM850"},
                                                                         {16, "windows-1252"},
                                                                         {17, "IBM866"},
                                                                         {18, "IBM852"},
                                                                         {19, "IBM00858"},
                                                                         {40, "ISO-8859-15"}}};
    for (const auto& [number, name] : kTables) {
        if (number != n)
            continue;
        QStringDecoder decoder(name);
        if (!decoder.isValid())
            return std::nullopt;
        CodeTable table{};
        for (int byte = 0; byte < 256; ++byte) {
            const char c = static_cast<char>(byte);
            const QString decoded = decoder.decode(QByteArrayView(&c, 1));
            // Bytes a table leaves empty print as a blank box would: a replacement character.
            table[byte] = decoded.size() == 1 ? decoded.front().unicode() : u'\uFFFD';
        }
        return table;
    }
    return std::nullopt;
}

} // namespace netprinter
