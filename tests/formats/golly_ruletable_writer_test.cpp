#include "formats/golly_ruletable_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

#include "core/symmetry.h"
#include "formats/golly_ruletable.h"
#include "tests/support/error_text.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/test_rules.h"

namespace formats {
namespace {

// Two-digit states, and the order: NW=1 N=2 NE=3 W=4 C=5 E=6 SW=7 S=8 SE=9, written C N NE E SE S SW W NW.
TEST(GollyRuletableWriter, TransitionLineOrder) {
    std::string out;
    AppendGollyTransitionLine(out, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 12);
    EXPECT_EQ(out, "5 2,3,6,9,8,7,4,1 12\n");
}

TEST(GollyRuletableWriter, DefaultBlock) {
    std::string out;
    AppendGollyDefaultBlock(out, 3, 0);
    EXPECT_EQ(out,
              "var a1={0,1,2}\nvar a2=a1\nvar a3=a1\nvar a4=a1\nvar a5=a1\nvar a6=a1\nvar a7=a1\n"
              "var a8=a1\nvar a9=a1\na1 a2,a3,a4,a5,a6,a7,a8,a9 0\n");
    out.clear();
    AppendGollyDefaultBlock(out, 16, 7);
    EXPECT_EQ(out, "var a8=a1\nvar a9=a1\na1 a2,a3,a4,a5,a6,a7,a8,a9 0\n");
    out.clear();
    AppendGollyDefaultBlock(out, 2, 12);
    EXPECT_EQ(out, "a1 a2,a3,a4,a5,a6,a7,a8,a9 0\n");
}

// Whole texts (up to the catch-all's declarations where it is left out): a lone live centre that
// survives; entry 0 not 0 (written in the scan) under D8; a sparse eight-state table of 134
// million entries whose orbit is written once, as S alive.
TEST(GollyRuletableWriter, WholeTexts) {
    const std::string catchAll = "var a1={0,1}\nvar a2=a1\nvar a3=a1\nvar a4=a1\nvar a5=a1\nvar a6=a1\nvar a7=a1\n"
                                 "var a8=a1\nvar a9=a1\na1 a2,a3,a4,a5,a6,a7,a8,a9 0\n";
    core::Rule centre{2, core::kSymmetryC1, core::RuleTable(512, 0)};
    centre.table[16] = 1;
    core::Rule entryZero{3, core::kSymmetryD8, core::RuleTable(19683, 0)};
    entryZero.table[0] = 2;
    entryZero.table[19682] = 1;
    core::Rule sparse{8, core::kSymmetryC4, core::RuleTable(core::RuleTableSize(8), 0)};
    for (std::uint64_t i : core::NeighborhoodOrbit(sparse.symmetry, 8, {0, 1, 0, 0, 3, 0, 0, 0, 0})) sparse.table[i] = 5;
    sparse.table.back() = 7;
    const std::pair<const core::Rule*, std::string> cases[] = {
        {&centre, "n_states:2\nneighborhood:Moore\nsymmetries:none\n\n0 0,0,0,0,0,0,0,0 0\n1 0,0,0,0,0,0,0,0 1\n\n" +
                      catchAll},
        {&entryZero, "n_states:3\nneighborhood:Moore\nsymmetries:rotate4reflect\n\n0 0,0,0,0,0,0,0,0 2\n"
                     "2 2,2,2,2,2,2,2,2 1\n\n"},
        {&sparse, "n_states:8\nneighborhood:Moore\nsymmetries:rotate4\n\n0 0,0,0,0,0,0,0,0 0\n3 0,0,0,0,1,0,0,0 5\n"
                  "7 7,7,7,7,7,7,7,7 7\n\n"},
    };
    for (const auto& [rule, expected] : cases) {
        const std::string text = BuildPlainGollyRuletable(*rule);
        EXPECT_EQ(rule == &centre ? text : text.substr(0, text.find("var ")), expected);
    }
}

// Where listing what differs from the centre takes fewer lines, that is written, without the
// catch-all: Golly keeps an unlisted neighbourhood's centre.
TEST(GollyRuletableWriter, ListsChangesFromTheCentreWhenShorter) {
    core::Rule rule{3, core::kSymmetryC4, core::RuleTable(19683)};
    for (std::uint64_t i = 0; i < rule.table.size(); ++i) rule.table[i] = core::DecodeNeighborhoodIndex(i, 3)[4];
    const core::Neighborhood block{0, 1, 0, 0, 2, 0, 0, 0, 0};
    for (std::uint64_t i : core::NeighborhoodOrbit(rule.symmetry, 3, block)) rule.table[i] = 0;
    EXPECT_EQ(BuildPlainGollyRuletable(rule),
              "n_states:3\nneighborhood:Moore\nsymmetries:rotate4\n\n"
              "# Neighbourhoods not listed keep their centre state.\n"
              "2 0,0,0,0,1,0,0,0 0\n");
    // Two states, no symmetry: k of the 256 live centres die. Listing the changes takes k lines,
    // listing what is not 0 takes 256 - k, the all-zero line and ten for the catch-all.
    for (const int k : {133, 134}) {
        core::Rule c1{2, core::kSymmetryC1, core::RuleTable(512)};
        int dying = k;
        for (std::uint64_t i = 0; i < 512; ++i) c1.table[i] = (i & 16) && dying-- <= 0 ? 1 : 0;
        EXPECT_EQ(BuildPlainGollyRuletable(c1).find("# Neighbourhoods") != std::string::npos, k == 133) << k;
    }
}

TEST(GollyRuletableWriter, RefusesSymmetriesGollyCannotExpress) {
    for (int s = 0; s < 12; ++s) {
        const auto symmetry = static_cast<core::RuleSymmetry>(s);
        const bool exportable = s == 0 || s == 3 || s == 4;
        EXPECT_EQ(IsGollyExportableSymmetry(symmetry), exportable) << s;
        const core::Rule rule{2, symmetry, core::RuleTable(512, 0)};
        EXPECT_EQ(testsupport::ErrorOf([&] { BuildPlainGollyRuletable(rule); }),
                  exportable ? "(no error)" : "Golly ruletable export does not support the selected symmetry.")
            << s;
    }
}

TEST(GollyRuletableWriter, ImportReadsTheExportBack) {
    std::uint32_t seed = 100;
    for (core::RuleSymmetry symmetry : {core::kSymmetryC1, core::kSymmetryC4, core::kSymmetryD8}) {
        for (int n : {2, 3, 4}) {
            for (int zeroPercent : {0, 50, 95, -95}) {
                if (zeroPercent < 0 && n == 4) continue;  // keeping the centre: 2 and 3 states suffice
                core::Rule rule = testsupport::RandomSymmetricRule(n, symmetry, ++seed, std::abs(zeroPercent), zeroPercent < 0);
                if (seed % 2) rule.table[0] = 1;
                const ImportedGollyRule imported = ParseGollyRuletableText("@TABLE\n" + BuildPlainGollyRuletable(rule));
                EXPECT_EQ(imported.stateCount, n);
                EXPECT_EQ(imported.symmetry, symmetry);
                EXPECT_TRUE(imported.table == rule.table) << int(symmetry) << " " << n << " " << zeroPercent;
            }
        }
    }
}

// Golly must run the exported text as our table. Entry 0 stays 0 so that the probe's
// empty background stays empty.
TEST(GollyRuletableWriter, GollyRunsTheExportAsTheTable) {
    std::uint32_t seed = 200;
    for (core::RuleSymmetry symmetry : {core::kSymmetryC1, core::kSymmetryC4, core::kSymmetryD8}) {
        for (int n : {2, 3, 4}) {
            core::Rule rule = testsupport::RandomSymmetricRule(n, symmetry, ++seed, n == 3 ? 90 : 40, n == 3);
            rule.table[0] = 0;  // the all-zero block is an orbit of its own
            const std::string name = "TavrixExport" + std::to_string(n) + "s" + std::to_string(symmetry);
            const std::string text = "@RULE " + name + "\n@TABLE\n" + BuildPlainGollyRuletable(rule);
            std::vector<std::uint64_t> indices = n <= 3 ? testsupport::AllIndices(n) : std::vector<std::uint64_t>(4000);
            std::mt19937_64 rng(seed);
            if (n > 3)
                for (auto& i : indices) i = rng() % rule.table.size();
            EXPECT_EQ(testsupport::GollyMismatches({name, text, n}, rule.table, indices), "");
        }
    }
}

}  // namespace
}  // namespace formats
