#pragma once

#include <array>
#include <optional>

namespace netprinter {

// What each byte of one ESC/POS code table prints as.
using CodeTable = std::array<char16_t, 256>;

// The table that ESC t n selects, by the common numbering (0 PC437, 2 PC850, 16 WPC1252,
// 17 PC866, 18 PC852, 19 PC858, 40 ISO 8859-15); nothing for a number this printer lacks.
std::optional<CodeTable> codeTable(int n);

} // namespace netprinter
