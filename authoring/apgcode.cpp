#include "authoring/apgcode.h"

#include <array>

#include "core/symmetry.h"

namespace authoring {

namespace {

constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr int kStripRows = 5;
// "y" + 'z' is the longest run of empty columns one token holds.
constexpr int kLongestRun = 4 + 35;

void WriteEmptyRun(int run, std::string& out) {
    for (; run > kLongestRun; run -= kLongestRun) out += "yz";
    if (run == 1) out += '0';
    else if (run == 2) out += 'w';
    else if (run == 3) out += 'x';
    else if (run >= 4) {
        out += 'y';
        out += kDigits[run - 4];
    }
}

// The 2x2 integer map of each plane orientation, read off the neighbourhood transforms so that
// orientation t is the one the rule's symmetry group names t: new offset (1, 0) and (0, 1) take
// the cells of old positions kSymmetryTransforms[t][5] and [7].
struct Orientation {
    int xx, xy, yx, yy;  // x' = xx x + xy y, y' = yx x + yy y
};

Orientation OrientationOf(int t) {
    const auto offset = [t](int position) {
        const int old = core::kSymmetryTransforms[t][position];
        return std::array<int, 2>{old % 3 - 1, old / 3 - 1};
    };
    const auto ex = offset(5), ey = offset(7);
    return {ex[0], ey[0], ex[1], ey[1]};
}

void Orient(const CellList& from, const Orientation& o, CellList& to) {
    to.clear();
    for (const CensusCell& c : from) to.push_back({o.xx * c.x + o.xy * c.y, o.yx * c.x + o.yy * c.y, c.state});
    Normalize(to);
}

bool Better(const std::string& a, const std::string& b) { return a.size() != b.size() ? a.size() < b.size() : a < b; }

}  // namespace

std::string WechslerCode(const CellList& cells, int width, int height, int state) {
    const int strips = (height + kStripRows - 1) / kStripRows;
    std::vector<std::uint8_t> columns(static_cast<std::size_t>(strips) * width, 0);
    for (const CensusCell& c : cells)
        if (state == 0 ? c.state != 0 : c.state == state)
            columns[static_cast<std::size_t>(c.y / kStripRows) * width + c.x] |=
                static_cast<std::uint8_t>(1u << (c.y % kStripRows));
    std::string out;
    for (int s = 0; s < strips; ++s) {
        if (s > 0) out += 'z';
        int run = 0;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t v = columns[static_cast<std::size_t>(s) * width + x];
            if (v == 0) {
                ++run;
                continue;
            }
            WriteEmptyRun(run, out);
            run = 0;
            out += kDigits[v];
        }
    }
    return out;
}

std::string PatternCode(const CellList& cells, int stateCount) {
    const CellBox box = BoxOf(cells);
    if (stateCount <= 2) return WechslerCode(cells, box.Width(), box.Height(), 0);
    std::string out;
    for (int s = 1; s < stateCount; ++s) {
        const std::string layer = WechslerCode(cells, box.Width(), box.Height(), s);
        if (s > 1) out += '_';
        if (layer.find_first_not_of('z') == std::string::npos) out += '0';
        else out += layer;
    }
    return out;
}

CanonicalForm CanonicalCode(const std::vector<CellList>& phases, int stateCount, core::RuleSymmetry symmetry,
                            int dx, int dy) {
    CanonicalForm best;
    bool found = false;
    CellList turned;
    for (int t = 0; t < core::kTransformCount; ++t) {
        // An unknown symmetry code allows no orientation at all; the identity always stands.
        if (t != 0 && !core::IsTransformInSymmetry(symmetry, t)) continue;
        const Orientation o = OrientationOf(t);
        for (const CellList& phase : phases) {
            Orient(phase, o, turned);
            std::string code = PatternCode(turned, stateCount);
            if (found && !Better(code, best.code)) continue;
            found = true;
            best.code = std::move(code);
            best.cells = turned;
            best.dx = o.xx * dx + o.xy * dy;
            best.dy = o.yx * dx + o.yy * dy;
        }
    }
    return best;
}

}  // namespace authoring
