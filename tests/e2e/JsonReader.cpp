#include "tests/e2e/JsonReader.h"

#include <cstring>
#include <stdexcept>

namespace flipdeck::test {

namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    JsonValue Document()
    {
        JsonValue value = Value();
        SkipSpace();
        if (at_ != text_.size())
            Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const char* what) const
    {
        throw std::runtime_error(std::string("JSON: ") + what + " at offset " + std::to_string(at_));
    }

    void SkipSpace()
    {
        while (at_ < text_.size() && std::strchr(" \t\r\n", text_[at_]) != nullptr)
            ++at_;
    }

    void Expect(char c)
    {
        SkipSpace();
        if (at_ >= text_.size() || text_[at_] != c)
            Fail("unexpected character");
        ++at_;
    }

    bool Take(const char* word)
    {
        const size_t length = std::strlen(word);
        if (text_.compare(at_, length, word) != 0)
            return false;
        at_ += length;
        return true;
    }

    JsonValue Value()
    {
        SkipSpace();
        if (at_ >= text_.size())
            Fail("missing value");
        JsonValue value;
        const char c = text_[at_];
        if (c == '{') {
            value.kind = JsonValue::Kind::Object;
            ++at_;
            SkipSpace();
            if (at_ < text_.size() && text_[at_] == '}') {
                ++at_;
                return value;
            }
            do {
                SkipSpace();
                std::string name = String();
                Expect(':');
                value.members.emplace_back(std::move(name), Value());
                SkipSpace();
            } while (at_ < text_.size() && text_[at_] == ',' && ++at_);
            Expect('}');
        } else if (c == '[') {
            value.kind = JsonValue::Kind::Array;
            ++at_;
            SkipSpace();
            if (at_ < text_.size() && text_[at_] == ']') {
                ++at_;
                return value;
            }
            do {
                value.items.push_back(Value());
                SkipSpace();
            } while (at_ < text_.size() && text_[at_] == ',' && ++at_);
            Expect(']');
        } else if (c == '"') {
            value.kind = JsonValue::Kind::String;
            value.text = String();
        } else if (Take("true") || Take("false")) {
            value.kind = JsonValue::Kind::Boolean;
            value.boolean = c == 't';
        } else if (c >= '0' && c <= '9') {
            // Counts only: no sign, fraction or exponent; no leading zero.
            value.kind = JsonValue::Kind::Number;
            const size_t start = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
                value.number = value.number * 10 + static_cast<unsigned long long>(text_[at_++] - '0');
            if (c == '0' && at_ - start > 1)
                Fail("leading zero");
        } else {
            Fail("not a value");
        }
        return value;
    }

    unsigned Hex4()
    {
        if (at_ + 4 > text_.size())
            Fail("short \\u escape");
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[at_++];
            code <<= 4;
            if (h >= '0' && h <= '9')
                code |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f')
                code |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                code |= static_cast<unsigned>(h - 'A' + 10);
            else
                Fail("bad \\u escape");
        }
        return code;
    }

    // A character of the basic plane, which is all the program's code page reaches.
    static void AppendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string String()
    {
        if (at_ >= text_.size() || text_[at_] != '"')
            Fail("expected a string");
        ++at_;
        std::string out;
        for (;;) {
            if (at_ >= text_.size())
                Fail("unterminated string");
            const char c = text_[at_++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                Fail("raw control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size())
                Fail("unterminated escape");
            const char e = text_[at_++];
            switch (e) {
            case '"':
            case '\\':
                out += e;
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
            case 'u':
                AppendUtf8(out, Hex4());
                break;
            default:
                Fail("unknown escape");
            }
        }
    }

    const std::string& text_;
    size_t at_ = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const
{
    for (const auto& member : members) {
        if (member.first == name)
            return member.second;
    }
    throw std::runtime_error("JSON: no member " + name);
}

JsonValue ParseJson(const std::string& text) { return Reader(text).Document(); }

}  // namespace flipdeck::test
