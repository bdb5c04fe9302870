#include <charconv>
#include <limits>
#include <stdexcept>

#include "authoring/census.h"
#include "authoring/json_value.h"

namespace authoring {

namespace {

constexpr ObjectClass kClasses[] = {ObjectClass::Still, ObjectClass::Oscillator, ObjectClass::Spaceship,
                                    ObjectClass::Growing, ObjectClass::Unresolved};

std::string Quoted(std::string_view name) {
    std::string out(1, '"');
    out += name;
    out += '"';
    return out;
}

[[noreturn]] void Refuse(const std::string& what) { throw std::runtime_error("Invalid census JSON: " + what + "."); }

const JsonValue& Member(const JsonValue& object, std::string_view name, JsonValue::Type type, const char* where) {
    const JsonValue* value = object.Find(name);
    if (!value) Refuse(std::string(where) + " has no " + Quoted(name));
    if (value->type != type) Refuse(Quoted(name) + " of " + where + " has the wrong type");
    return *value;
}

template <class T>
T Number(const JsonValue& object, std::string_view name, T min, T max, const char* where) {
    const std::string& text = Member(object, name, JsonValue::Type::Number, where).text;
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        Refuse(Quoted(name) + " of " + where + " is out of range: " + text);
    return value;
}

const std::string& Text(const JsonValue& object, std::string_view name, const char* where) {
    return Member(object, name, JsonValue::Type::String, where).text;
}

std::string NumberText(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

CensusObject ReadObject(const JsonValue& value) {
    if (value.type != JsonValue::Type::Object) Refuse("an entry of \"objects\" is not an object");
    constexpr const char* kWhere = "an object";
    CensusObject object;
    object.name = Text(value, "name", kWhere);
    if (object.name.empty()) Refuse("an object has an empty name");
    const std::string& kind = Text(value, "class", kWhere);
    bool known = false;
    for (ObjectClass c : kClasses)
        if (ObjectClassName(c) == kind) {
            object.kind = c;
            known = true;
        }
    if (!known) Refuse("unknown object class " + Quoted(kind));
    constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    object.period = Number<int>(value, "period", 0, kMax, kWhere);
    object.dx = Number<int>(value, "dx", kMin, kMax, kWhere);
    object.dy = Number<int>(value, "dy", kMin, kMax, kWhere);
    object.count = Number<std::uint64_t>(value, "count", 1, std::numeric_limits<std::uint64_t>::max(), kWhere);
    object.sampleRle = Text(value, "sample", kWhere);
    return object;
}

}  // namespace

std::string CensusToJson(const CensusResult& result) {
    std::string out = "{\n";
    out += "  \"rule\": " + JsonQuote(result.rule) + ",\n";
    out += "  \"soups\": " + std::to_string(result.options.soups) + ",\n";
    out += "  \"size\": " + std::to_string(result.options.size) + ",\n";
    out += "  \"density\": " + NumberText(result.options.density) + ",\n";
    out += "  \"seedFirst\": " + std::to_string(result.firstSeed) + ",\n";
    out += "  \"seedLast\": " + std::to_string(result.lastSeed) + ",\n";
    out += "  \"maxGenerations\": " + std::to_string(result.options.maxGenerations) + ",\n";
    out += "  \"objects\": [";
    for (std::size_t i = 0; i < result.objects.size(); ++i) {
        const CensusObject& o = result.objects[i];
        out += i == 0 ? "\n" : ",\n";
        out += "    {\"name\": " + JsonQuote(o.name) + ", \"class\": \"" + std::string(ObjectClassName(o.kind)) +
               "\", \"period\": " + std::to_string(o.period) + ", \"dx\": " + std::to_string(o.dx) +
               ", \"dy\": " + std::to_string(o.dy) + ", \"count\": " + std::to_string(o.count) +
               ", \"sample\": " + JsonQuote(o.sampleRle) + "}";
    }
    out += result.objects.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

CensusResult CensusFromJson(std::string_view text) {
    const JsonValue document = ParseJson(text);
    if (document.type != JsonValue::Type::Object) Refuse("the document is not an object");
    constexpr const char* kWhere = "the census";
    constexpr int kMax = std::numeric_limits<int>::max();
    CensusResult result;
    result.rule = Text(document, "rule", kWhere);
    result.options.soups = Number<int>(document, "soups", 0, kMax, kWhere);
    result.options.size = Number<int>(document, "size", 1, kMax, kWhere);
    result.options.density = Number<double>(document, "density", 0.0, 1.0, kWhere);
    result.firstSeed = Number<std::uint32_t>(document, "seedFirst", 0, UINT32_MAX, kWhere);
    result.lastSeed = Number<std::uint32_t>(document, "seedLast", result.firstSeed, UINT32_MAX, kWhere);
    result.options.seed = result.firstSeed;
    result.options.threads = 0;
    result.options.maxGenerations = Number<int>(document, "maxGenerations", 1, kMax, kWhere);
    if (std::uint64_t{result.lastSeed} - result.firstSeed + 1 < static_cast<std::uint64_t>(result.options.soups))
        Refuse("more soups than seeds from \"seedFirst\" to \"seedLast\"");
    for (const JsonValue& item : Member(document, "objects", JsonValue::Type::Array, kWhere).items) {
        result.objects.push_back(ReadObject(item));
        if (result.objects.size() > 1 && result.objects.end()[-2].name == result.objects.back().name)
            Refuse(Quoted(result.objects.back().name) + " is listed twice");
    }
    return result;
}

}  // namespace authoring
