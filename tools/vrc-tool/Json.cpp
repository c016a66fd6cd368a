#include "tools/vrc-tool/Json.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "recording/ReadableName.h"

namespace vrctool {
namespace {

using recording::Utf8SequenceAt;

bool IsUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceAt(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

} // namespace

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t n = Utf8SequenceAt(text, i);
            if (n == 0) {
                // A byte of a name that is not UTF-8 (a file name can be any bytes) becomes the
                // character of the same number, so the output stays valid JSON.
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out.append(text, i, n);
                i += n - 1;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    return out + "\"";
}

} // namespace vrctool

namespace vrctool {
namespace {

// A recursive-descent reader; nesting is bounded so a hostile file cannot exhaust the stack.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : m_text(text) {}

    std::optional<JsonValue> Document()
    {
        JsonValue v;
        if (!Value(v, 0))
            return std::nullopt;
        Skip();
        return m_pos == m_text.size() ? std::optional<JsonValue>(std::move(v)) : std::nullopt;
    }

private:
    static constexpr int kMaxDepth = 64;

    void Skip()
    {
        while (m_pos < m_text.size() && std::strchr(" \t\r\n", m_text[m_pos]) && m_text[m_pos] != '\0')
            ++m_pos;
    }

    bool Eat(char c)
    {
        Skip();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool Word(const char* word)
    {
        const size_t n = std::strlen(word);
        if (m_text.compare(m_pos, n, word) != 0)
            return false;
        m_pos += n;
        return true;
    }

    bool Value(JsonValue& v, int depth)
    {
        Skip();
        if (m_pos >= m_text.size() || depth > kMaxDepth)
            return false;
        const char c = m_text[m_pos];
        if (c == '{')
            return Object(v, depth);
        if (c == '[')
            return Array(v, depth);
        if (c == '"') {
            v.type = JsonValue::Type::String;
            return String(v.text);
        }
        if (Word("true") || Word("false")) {
            v.type = JsonValue::Type::Bool;
            v.boolean = m_text[m_pos - 2] == 'u'; // "true" ends in "ue", "false" in "se"
            return true;
        }
        if (Word("null"))
            return true;
        const size_t start = m_pos;
        while (m_pos < m_text.size() && std::strchr("+-0123456789.eE", m_text[m_pos]) && m_text[m_pos] != '\0')
            ++m_pos;
        v.type = JsonValue::Type::Number;
        v.text = m_text.substr(start, m_pos - start);
        return m_pos > start;
    }

    bool Object(JsonValue& v, int depth)
    {
        v.type = JsonValue::Type::Object;
        ++m_pos;
        if (Eat('}'))
            return true;
        do {
            std::string name;
            JsonValue member;
            Skip();
            // A key twice would be read one way here and another way elsewhere.
            if (!String(name) || v.Find(name) || !Eat(':') || !Value(member, depth + 1))
                return false;
            v.members.emplace_back(std::move(name), std::move(member));
        } while (Eat(','));
        return Eat('}');
    }

    bool Array(JsonValue& v, int depth)
    {
        v.type = JsonValue::Type::Array;
        ++m_pos;
        if (Eat(']'))
            return true;
        do {
            JsonValue item;
            if (!Value(item, depth + 1))
                return false;
            v.items.push_back(std::move(item));
        } while (Eat(','));
        return Eat(']');
    }

    bool String(std::string& out)
    {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"')
            return false;
        for (++m_pos; m_pos < m_text.size(); ++m_pos) {
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (++m_pos >= m_text.size() || !Escape(out))
                return false;
        }
        return false;
    }

    bool Escape(std::string& out)
    {
        static constexpr char kFrom[] = "\"\\/bfnrt";
        static constexpr char kTo[] = "\"\\/\b\f\n\r\t";
        if (const char* p = std::strchr(kFrom, m_text[m_pos]); p && *p) {
            out.push_back(kTo[p - kFrom]);
            return true;
        }
        unsigned code = 0;
        if (m_text[m_pos] != 'u' || m_pos + 4 >= m_text.size() ||
            std::sscanf(m_text.c_str() + m_pos + 1, "%4x", &code) != 1)
            return false;
        m_pos += 4;
        // JsonString writes \u0080 to \u00ff only for a byte outside UTF-8 (of a file name):
        // the byte itself comes back, so a path read from a manifest opens the same file.
        if (code >= 0x80 && code <= 0xFF)
            out.push_back(static_cast<char>(code));
        else
            AppendUtf8(out, code);
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

} // namespace

const JsonValue* JsonValue::Find(const std::string& name) const
{
    for (const auto& [key, value] : members) {
        if (key == name)
            return &value;
    }
    return nullptr;
}

std::optional<uint64_t> JsonValue::Unsigned() const
{
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (type != Type::Number || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<JsonValue> JsonValue::Parse(const std::string& text)
{
    // JSON text is UTF-8; a document with other bytes is not one this tool wrote.
    if (!IsUtf8(text))
        return std::nullopt;
    return JsonReader(text).Document();
}

} // namespace vrctool
