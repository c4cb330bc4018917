#include "properties/WritableProperties.h"

#include <algorithm>
#include <array>

namespace properties {

namespace {

constexpr std::array<int32_t, 26> kWritable = {
    11,   3,    4,    13,   8001, 8037, 8002, 8005, 8045, 8013, 8036, 8008, 8009,
    8010, 8007, 8039, 8016, 8017, 8018, 8015, 8041, 8026, 8027, 8029, 8025, 8044,
};

} // namespace

std::span<const int32_t> WritableProperties()
{
    return kWritable;
}

bool isWritableProperty(int32_t index)
{
    return std::ranges::find(kWritable, index) != kWritable.end();
}

} // namespace properties
