#pragma once

#include <cstdint>
#include <span>

namespace properties {

// The printer properties the inspector lets the user change, by OPOS property index.
std::span<const int32_t> WritableProperties();

bool isWritableProperty(int32_t index);

} // namespace properties
