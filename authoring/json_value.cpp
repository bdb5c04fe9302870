#include "authoring/json_value.h"

#include <cstdio>
#include <stdexcept>

namespace authoring {

namespace {

// Deeper documents are refused rather than recursed into.
constexpr int kMaxDepth = 32;

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : text_(text) {}

    JsonValue Document() {
        JsonValue value = Value(0);
        SkipSpace();
        if (at_ != text_.size()) Fail("unexpected text after the document");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("Malformed census JSON at byte " + std::to_string(at_) + ": " + what + ".");
    }

    void SkipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
            ++at_;
    }

    bool Take(char c) {
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    void Expect(char c) {
        if (!Take(c)) Fail(std::string("expected '") + c + "'");
    }

    bool TakeWord(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    JsonValue Value(int depth) {
        if (depth > kMaxDepth) Fail("nested too deeply");
        SkipSpace();
        if (at_ >= text_.size()) Fail("unexpected end");
        JsonValue value;
        const char c = text_[at_];
        if (c == '{') {
            ++at_;
            value.type = JsonValue::Type::Object;
            if (Take('}')) return value;
            do {
                SkipSpace();
                std::string name = String();
                Expect(':');
                value.keys.push_back(std::move(name));
                value.items.push_back(Value(depth + 1));
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            ++at_;
            value.type = JsonValue::Type::Array;
            if (Take(']')) return value;
            do value.items.push_back(Value(depth + 1));
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            value.type = JsonValue::Type::String;
            value.text = String();
        } else if (TakeWord("true") || TakeWord("false")) {
            value.type = JsonValue::Type::Bool;
            value.boolean = c == 't';
        } else if (TakeWord("null")) {
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            value.type = JsonValue::Type::Number;
            const std::size_t start = at_;
            while (at_ < text_.size() && std::string_view("+-.eE0123456789").find(text_[at_]) != std::string_view::npos)
                ++at_;
            value.text = std::string(text_.substr(start, at_ - start));
        } else {
            Fail("unexpected character");
        }
        return value;
    }

    unsigned Hex4() {
        if (at_ + 4 > text_.size()) Fail("short \\u escape");
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[at_++];
            code <<= 4;
            if (h >= '0' && h <= '9') code |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f') code |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') code |= static_cast<unsigned>(h - 'A' + 10);
            else Fail("bad \\u escape");
        }
        return code;
    }

    void AppendUtf8(unsigned code, std::string& out) {
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

    std::string String() {
        if (at_ >= text_.size() || text_[at_] != '"') Fail("expected a string");
        ++at_;
        std::string out;
        for (;;) {
            if (at_ >= text_.size()) Fail("unterminated string");
            const char c = text_[at_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) Fail("unterminated string");
            switch (const char e = text_[at_++]) {
                case '"': case '\\': case '/': out += e; break;
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': AppendUtf8(Hex4(), out); break;
                default: Fail("bad escape in a string");
            }
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view name) const {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == name) return &items[i];
    return nullptr;
}

JsonValue ParseJson(std::string_view text) { return JsonParser(text).Document(); }

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

}  // namespace authoring
