#pragma once
#include <cstddef>
#include <cstdint>

#include "recording/FrameRecord.h"

namespace recording {

// Bytes from the start of a key frame's payload up to the prefixed sequence parameter set.
constexpr size_t kPrefixBlockSize = 52;

// Whether the bytes at p (available bytes from there on) begin a key frame's payload for
// the given video format. A form that needs more bytes than are available does not match.
bool IsKeyFrameStart(const uint8_t* p, size_t available, int videoFormat);

// Whether a record header found by a byte search is a real one: its calendar year lies
// within one year of the first record's year (and its month and day are in range).
bool IsPlausible(const FrameRecord& record, int referenceYear);

} // namespace recording
