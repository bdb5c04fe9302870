#include "formats/rle.h"

namespace formats {

namespace {

constexpr std::size_t kMaxLineLength = 70;

class RunWriter {
public:
    explicit RunWriter(std::string& out) : out_(out) {}

    void Put(std::int64_t count, char symbol) {
        if (count <= 0) return;
        std::string token = count > 1 ? std::to_string(count) : std::string();
        token += symbol;
        if (lineLength_ + token.size() > kMaxLineLength) {
            out_ += '\n';
            lineLength_ = 0;
        }
        out_ += token;
        lineLength_ += token.size();
    }

private:
    std::string& out_;
    std::size_t lineLength_ = 0;
};

}  // namespace

std::string WriteRle(const std::uint8_t* cells, std::int32_t width, std::int32_t height,
                     std::int32_t x0, std::int32_t y0, int stateCount, std::string_view rule) {
    const bool twoState = stateCount <= 2;
    auto symbolOf = [twoState](std::uint8_t s) -> char {
        if (twoState) return s ? 'o' : 'b';
        return s ? static_cast<char>('A' + s - 1) : '.';
    };
    std::string out = "#CXRLE Pos=" + std::to_string(x0) + "," + std::to_string(y0) + "\n";
    out += "x = " + std::to_string(width) + ", y = " + std::to_string(height) + ", rule = ";
    out += rule;
    out += '\n';
    RunWriter writer(out);
    std::int64_t cursorRow = 0;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = cells + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        std::int32_t end = width;
        while (end > 0 && row[end - 1] == 0) --end;
        if (end == 0) continue;
        writer.Put(y - cursorRow, '$');
        cursorRow = y;
        for (std::int32_t x = 0; x < end;) {
            std::int32_t runEnd = x + 1;
            while (runEnd < end && row[runEnd] == row[x]) ++runEnd;
            writer.Put(runEnd - x, symbolOf(row[x]));
            x = runEnd;
        }
    }
    writer.Put(1, '!');
    out += '\n';
    return out;
}

}  // namespace formats
