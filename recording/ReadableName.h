#pragma once
#include <cstddef>
#include <string>

namespace recording {

// The length of the well-formed UTF-8 sequence at text[i] (1 to 4), or 0 when the byte there
// does not begin one: stray continuation bytes, overlong forms, surrogates, past U+10FFFF.
size_t Utf8SequenceAt(const std::string& text, size_t i);

// A file name's bytes as UTF-8 text a person can read: well-formed UTF-8 stays as it is, every
// other byte (a name need not be UTF-8) is written \xNN, so it is still told apart from its
// neighbours rather than lost in a replacement character. For showing only; open by the bytes.
std::string ReadableName(const std::string& bytes);

} // namespace recording
