#include "platform/linux/JsonText.h"

#include "platform/Codepage.h"

#include <cctype>

namespace platform::json {
namespace {

class Reader {
public:
    Reader(std::string_view text, int maxDepth) : m_text(text), m_maxDepth(maxDepth) {}

    std::optional<Value> document() {
        Value value;
        if (!read(value, 0))
            return std::nullopt;
        skipBlanks();
        if (m_pos != m_text.size())
            return std::nullopt;
        return value;
    }

private:
    void skipBlanks() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }

    bool take(char c) {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool word(std::string_view w) {
        if (m_text.substr(m_pos, w.size()) != w)
            return false;
        m_pos += w.size();
        return true;
    }

    bool read(Value& value, int depth) {
        if (depth > m_maxDepth)
            return false;
        skipBlanks();
        if (m_pos >= m_text.size())
            return false;
        const char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            value.kind = Value::Object;
            if (take('}'))
                return true;
            do {
                std::string name;
                skipBlanks();
                if (!string(name) || !take(':'))
                    return false;
                value.names.push_back(std::move(name));
                value.items.emplace_back();
                if (!read(value.items.back(), depth + 1))
                    return false;
            } while (take(','));
            return take('}');
        }
        if (c == '[') {
            ++m_pos;
            value.kind = Value::Array;
            if (take(']'))
                return true;
            do {
                value.items.emplace_back();
                if (!read(value.items.back(), depth + 1))
                    return false;
            } while (take(','));
            return take(']');
        }
        if (c == '"') {
            value.kind = Value::String;
            return string(value.text);
        }
        for (const char* literal : {"true", "false"}) {
            if (word(literal)) {
                value.kind = Value::Boolean;
                value.text = literal;
                return true;
            }
        }
        if (word("null"))
            return true;
        return number(value);
    }

    bool number(Value& value) {
        const size_t start = m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '-')
            ++m_pos;
        const auto digits = [this] {
            const size_t from = m_pos;
            while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos])))
                ++m_pos;
            return m_pos > from;
        };
        if (!digits())
            return false;
        if (m_pos < m_text.size() && m_text[m_pos] == '.' && (++m_pos, !digits()))
            return false;
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-'))
                ++m_pos;
            if (!digits())
                return false;
        }
        value.kind = Value::Number;
        value.text = std::string(m_text.substr(start, m_pos - start));
        return true;
    }

    bool hex4(char16_t& unit) {
        if (m_pos + 4 > m_text.size())
            return false;
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = m_text[m_pos++];
            const int digit = h >= '0' && h <= '9'   ? h - '0'
                              : h >= 'a' && h <= 'f' ? h - 'a' + 10
                              : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                     : -1;
            if (digit < 0)
                return false;
            unit = static_cast<char16_t>(unit * 16 + digit);
        }
        return true;
    }

    // A string at the current position, its escapes resolved (\u escapes as UTF-16).
    bool string(std::string& out) {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"')
            return false;
        ++m_pos;
        std::u16string escaped; // \u units waiting to be joined into characters
        const auto flush = [&] {
            out += utf16ToUtf8(escaped);
            escaped.clear();
        };
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') {
                flush();
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                flush();
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                return false;
            const char e = m_text[m_pos++];
            if (e == 'u') {
                char16_t unit = 0;
                if (!hex4(unit))
                    return false;
                escaped += unit;
                continue;
            }
            flush();
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            default:
                return false;
            }
        }
        return false;
    }

    std::string_view m_text;
    const int m_maxDepth;
    size_t m_pos = 0;
};

} // namespace

const Value* Value::member(std::string_view name) const {
    if (kind != Object)
        return nullptr;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return &items[i];
    return nullptr;
}

std::optional<Value> parse(std::string_view text, int maxDepth) {
    return Reader(text, maxDepth).document();
}

} // namespace platform::json
