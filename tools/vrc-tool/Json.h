#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vrctool {

// A JSON string literal for the given text. Well-formed UTF-8 passes as it is; every other byte
// (a file name need not be UTF-8) is written as \u00XX, which JsonValue reads back as that byte.
std::string JsonString(const std::string& text);

// A parsed JSON document, enough to read back what this tool writes. Numbers keep their
// text so that 64-bit sizes come back exactly.
struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    std::string text; // a string's value or a number's digits
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The member of an object by name, or nullptr.
    const JsonValue* Find(const std::string& name) const;
    std::optional<uint64_t> Unsigned() const;

    // Empty when the text is not one whole JSON document.
    static std::optional<JsonValue> Parse(const std::string& text);
};

} // namespace vrctool
