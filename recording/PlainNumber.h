#pragma once
#include <cstdint>
#include <string>

namespace recording {

// A count or offset as a reader takes it in at a glance: 1,234,567.
std::string PlainNumber(int64_t value);

} // namespace recording
