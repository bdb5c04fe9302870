#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace authoring {

// A parsed JSON document, enough for the census files: numbers keep their text so that integers
// are read exactly.
struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    std::string text;  // a string's value or a number's text
    std::vector<JsonValue> items;  // an array's values, or an object's
    std::vector<std::string> keys;  // an object's member names, one per item

    // The member called `name`, or null.
    const JsonValue* Find(std::string_view name) const;
};

// Throws std::runtime_error saying what is wrong and at which byte.
JsonValue ParseJson(std::string_view text);

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace authoring
