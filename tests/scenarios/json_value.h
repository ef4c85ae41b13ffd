// A small JSON reader for the tests of vellor-host's --format json: the
// whole text into a tree of values, objects keeping their fields' order.
// Strict where the program could go wrong (quotes, escapes, commas, what
// follows the value); numbers are read as integers or decimals.
#pragma once

#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    bool integer = false;
    std::string text;
    std::vector<JsonValue> items;                          // Array
    std::vector<std::pair<std::string, JsonValue>> fields; // Object, in order

    const JsonValue* Field(const std::string& name) const {
        for (const auto& [key, value] : fields)
            if (key == name) return &value;
        return nullptr;
    }
};

class JsonReader {
public:
    // The value of `text`; false with `*error` saying where it went wrong.
    static bool Read(const std::string& text, JsonValue* out, std::string* error) {
        JsonReader r(text);
        bool ok = r.Value(out, 0) && (r.Space(), r.at == text.size());
        if (!ok) *error = "bad JSON at byte " + std::to_string(r.at);
        return ok;
    }

private:
    explicit JsonReader(const std::string& text) : s(text) {}
    const std::string& s;
    size_t at = 0;

    void Space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\t' || s[at] == '\r')) ++at;
    }
    bool Word(const char* word) {
        std::string w(word);
        if (s.compare(at, w.size(), w) != 0) return false;
        at += w.size();
        return true;
    }
    bool StringBody(std::string* out) {
        if (at >= s.size() || s[at] != '"') return false;
        for (++at; at < s.size();) {
            char c = s[at++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (at >= s.size()) return false;
            char e = s[at++];
            const std::string plain = "\"\\/bfnrt", meant = "\"\\/\b\f\n\r\t";
            size_t k = plain.find(e);
            if (k != std::string::npos) {
                *out += meant[k];
            } else if (e == 'u' && at + 4 <= s.size()) {
                unsigned long code = std::strtoul(s.substr(at, 4).c_str(), nullptr, 16);
                at += 4;
                if (code >= 0x80) return false; // the program escapes control characters only
                *out += char(code);
            } else {
                return false;
            }
        }
        return false;
    }
    bool NumberBody(JsonValue* out) {
        size_t from = at;
        if (at < s.size() && s[at] == '-') ++at;
        while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) ++at;
        out->integer = true;
        if (at < s.size() && (s[at] == '.' || s[at] == 'e' || s[at] == 'E')) {
            out->integer = false;
            while (at < s.size() && std::string("0123456789.eE+-").find(s[at]) != std::string::npos) ++at;
        }
        if (at == from) return false;
        out->kind = JsonValue::Number;
        out->number = std::strtod(s.substr(from, at - from).c_str(), nullptr);
        return true;
    }
    template <class Item> bool List(char close, Item item) {
        Space();
        if (at < s.size() && s[at] == close) return ++at, true;
        for (;;) {
            if (!item()) return false;
            Space();
            if (at < s.size() && s[at] == ',') {
                ++at;
                continue;
            }
            return at < s.size() && s[at++] == close;
        }
    }
    bool Value(JsonValue* out, int depth) {
        Space();
        if (at >= s.size() || depth > 32) return false;
        char c = s[at];
        if (c == '{') {
            ++at;
            out->kind = JsonValue::Object;
            return List('}', [&] {
                std::string key;
                Space();
                if (!StringBody(&key)) return false;
                Space();
                if (at >= s.size() || s[at++] != ':') return false;
                out->fields.emplace_back(key, JsonValue{});
                return Value(&out->fields.back().second, depth + 1);
            });
        }
        if (c == '[') {
            ++at;
            out->kind = JsonValue::Array;
            return List(']', [&] {
                out->items.emplace_back();
                return Value(&out->items.back(), depth + 1);
            });
        }
        if (c == '"') return out->kind = JsonValue::String, StringBody(&out->text);
        if (Word("true")) return out->kind = JsonValue::Bool, out->boolean = true;
        if (Word("false")) return out->kind = JsonValue::Bool, true;
        if (Word("null")) return out->kind = JsonValue::Null, true;
        return NumberBody(out);
    }
};
