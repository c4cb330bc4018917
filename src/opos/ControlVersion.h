#pragma once

#include <QStringView>
#include <cstdint>
#include <optional>

namespace opos {

// Reads a control object version as a user types it: "1.4.0" or "1.4" (major.minor[.build],
// minor and build 0 to 999) gives 1004000; a plain number such as "1004000" is taken as it is.
// Blanks around the text are ignored. Anything else, or a value beyond 32 bits: no value.
std::optional<int32_t> parseControlVersion(QStringView text);

} // namespace opos
