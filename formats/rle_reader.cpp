#include <algorithm>
#include <charconv>
#include <cstdint>
#include <stdexcept>

#include "formats/rle.h"

namespace formats {

namespace {

constexpr std::string_view kLineBlanks = " \t\r\n";
// Rows stop at 2^31 - 1; the column may reach 2^31, one past the last cell a row can hold.
constexpr std::int64_t kCursorLimit = std::int64_t{1} << 31;
constexpr std::int64_t kMaxRunCount = kCursorLimit - 1;

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(kLineBlanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = s.find_last_not_of(kLineBlanks);
    return s.substr(first, last - first + 1);
}

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

[[noreturn]] void ThrowOutOfRange() {
    throw std::runtime_error("RLE pattern extends beyond the supported coordinate range.");
}

void ParseHeader(std::string_view line, RlePattern& pattern) {
    while (true) {
        const std::size_t comma = line.find(',');
        const std::string_view piece = Trim(line.substr(0, comma));
        const std::size_t eq = piece.find('=');
        if (eq != std::string_view::npos) {
            const std::string_view key = Trim(piece.substr(0, eq));
            const std::string_view value = Trim(piece.substr(eq + 1));
            if (key == "x" || key == "y") {
                std::int32_t number = 0;
                const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
                if (value.empty() || ec != std::errc() || ptr != value.data() + value.size()) number = 0;
                (key == "x" ? pattern.width : pattern.height) = number;
            } else if (key == "rule") {
                pattern.rule = std::string(value);
            }
        }
        if (comma == std::string_view::npos) break;
        line.remove_prefix(comma + 1);
    }
}

// The body may span lines, and a run count may continue on the next line, so the
// decoder keeps its state between calls.
class BodyDecoder {
public:
    explicit BodyDecoder(std::vector<RleCell>& cells) : cells_(cells) {}

    // Returns true once '!' has been read.
    bool Feed(std::string_view line) {
        for (const char ch : line) {
            if (ch >= '0' && ch <= '9') {
                count_ = count_ * 10 + (ch - '0');
                if (count_ > kMaxRunCount) ThrowOutOfRange();
                continue;
            }
            if (IsWhiteSpace(ch)) continue;
            const std::int64_t n = count_ >= 1 ? count_ : 1;
            count_ = 0;
            if (ch == '!') return true;
            if (ch == '$') {
                row_ += n;
                column_ = 0;
                if (row_ > kMaxRunCount) ThrowOutOfRange();
            } else if (ch == 'b' || ch == '.') {
                column_ += n;
                if (column_ > kCursorLimit) ThrowOutOfRange();
            } else if (ch == 'o') {
                Put(n, 1);
            } else if (ch >= 'A' && ch <= 'Z') {
                Put(n, static_cast<std::uint8_t>(ch - 'A' + 1));
            } else if (ch >= 'a' && ch <= 'z') {
                Put(n, static_cast<std::uint8_t>(ch - 'a' + 1));
            } else {
                throw std::runtime_error("Unsupported token in RLE body.");
            }
        }
        return false;
    }

private:
    void Put(std::int64_t n, std::uint8_t state) {
        if (column_ + n > kCursorLimit) ThrowOutOfRange();
        if (static_cast<std::int64_t>(cells_.size()) + n > static_cast<std::int64_t>(kMaxRleCells))
            throw std::runtime_error("RLE pattern has too many cells.");
        if (n == 1) {
            cells_.push_back(RleCell{static_cast<std::int32_t>(column_), static_cast<std::int32_t>(row_), state});
            ++column_;
            return;
        }
        PutRun(static_cast<std::size_t>(n), state);
    }

    // Grows by at least doubling, so that many short runs cost amortised constant time; each cell
    // is written once, where growing by resize would clear it first.
    void PutRun(std::size_t count, std::uint8_t state) {
        const std::size_t old = cells_.size();
        if (cells_.capacity() < old + count) cells_.reserve(std::max(old + count, 2 * cells_.capacity()));
        const auto x = static_cast<std::int32_t>(column_);
        const auto y = static_cast<std::int32_t>(row_);
        for (std::size_t i = 0; i < count; ++i) cells_.push_back(RleCell{x + static_cast<std::int32_t>(i), y, state});
        column_ += static_cast<std::int64_t>(count);
    }

    std::vector<RleCell>& cells_;
    std::int64_t count_ = 0;
    std::int64_t column_ = 0;
    std::int64_t row_ = 0;
};

// Room for the cells the header's box can hold, though never more than the body has characters
// (a soup spends about one per live cell; denser runs grow the list as they come), so that a
// header claiming a huge box costs nothing up front.
void ReserveCells(RlePattern& pattern, std::size_t bodyChars) {
    if (pattern.width <= 0 || pattern.height <= 0) return;
    const std::uint64_t box = std::uint64_t(pattern.width) * std::uint64_t(pattern.height);
    pattern.cells.reserve(static_cast<std::size_t>(std::min<std::uint64_t>({box, bodyChars, kMaxRleCells})));
}

}  // namespace

RlePattern ParseRle(std::string_view text) {
    RlePattern pattern;
    BodyDecoder body(pattern.cells);
    bool haveHeader = false;
    bool finished = false;
    while (!finished && !text.empty()) {
        const std::size_t newline = text.find('\n');
        const std::string_view line = Trim(text.substr(0, newline));
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (line.empty() || line.front() == '#') continue;
        if (!haveHeader) {
            ParseHeader(line, pattern);
            haveHeader = true;
            ReserveCells(pattern, text.size());
            continue;
        }
        finished = body.Feed(line);
    }
    if (!haveHeader) throw std::runtime_error("RLE header is missing.");
    if (!finished) throw std::runtime_error("RLE body is missing '!'.");
    return pattern;
}

}  // namespace formats
