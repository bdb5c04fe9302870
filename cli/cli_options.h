#pragma once

#include <charconv>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace cli {

// Options after the command's positional argument, as name/value pairs.
class Options {
public:
    Options(const std::vector<std::string>& args, std::size_t first) {
        for (std::size_t i = first; i < args.size(); i += 2) {
            if (args[i].rfind("-", 0) != 0) throw std::runtime_error("Unexpected argument: " + args[i]);
            if (i + 1 >= args.size()) throw std::runtime_error("Missing value for " + args[i] + ".");
            values_.emplace_back(args[i], args[i + 1]);
        }
    }

    // Every value of an option that may repeat, in order.
    std::vector<std::string> FindAll(const std::string& name) {
        std::vector<std::string> found;
        while (const std::string* value = Find(name)) found.push_back(*value);
        return found;
    }

    const std::string* Find(const std::string& name) {
        for (auto& [key, value] : values_)
            if (key == name) {
                key.clear();
                return &value;
            }
        return nullptr;
    }

    // Everything given must have been asked for.
    void RejectUnknown() const {
        for (const auto& [key, value] : values_)
            if (!key.empty()) throw std::runtime_error("Unknown or repeated option: " + key);
    }

private:
    std::vector<std::pair<std::string, std::string>> values_;
};

template <class T>
T ParseNumber(const std::string* text, T fallback, T min, T max, const char* what) {
    if (!text) return fallback;
    T value{};
    const char* end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end || text->empty() || value < min || value > max)
        throw std::runtime_error(std::string("Invalid value for ") + what + ": " + *text);
    return value;
}

}  // namespace cli
