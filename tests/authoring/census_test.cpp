// The soup census: names of known objects, what Life's soups leave, merging split runs, and rules
// whose soups never settle.
#include "authoring/census.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "authoring/box_runner.h"
#include "authoring/object_classifier.h"
#include "formats/golly_ruletable.h"
#include "formats/rle.h"
#include "tests/support/golly_oracle.h"
#include "tests/support/test_helpers.h"
#include "tests/support/test_rules.h"

namespace authoring {
namespace {

const int kLifeSoups = testsupport::kSanitized ? 30 : 200;
const int kSplitSoups = testsupport::kSanitized ? 8 : 24;

CellList CellsOf(const std::string& rle) {
    CellList cells;
    for (const formats::RleCell& c : formats::ParseRle("x = 0, y = 0\n" + rle).cells) cells.push_back({c.x, c.y, c.state});
    return cells;
}

// The object turned by `turn` (bit 0 transposes, bit 1 mirrors x, bit 2 mirrors y) and `phase`
// generations on.
CellList Turned(const core::Rule& rule, const std::string& rle, int turn, int phase) {
    CellList cells;
    for (CensusCell c : CellsOf(rle)) {
        if (turn & 1) std::swap(c.x, c.y);
        if (turn & 2) c.x = -c.x;
        if (turn & 4) c.y = -c.y;
        cells.push_back(c);
    }
    BoxRunner runner(rule);
    runner.Start(cells);
    for (int g = 0; g < phase; ++g) runner.Step();
    runner.Cells(cells);
    return cells;
}

std::string NameIn(const core::Rule& rule, const std::string& rle, int turn, int phase) {
    ObjectClassifier classifier(rule, 1000);
    return classifier.Classify(Turned(rule, rle, turn, phase)).name;
}

TEST(Census, LifeObjectsGetTheirCensusNamesInAnyOrientationAndPhase) {
    const core::Rule life = testsupport::LifeRule();
    const std::vector<std::pair<std::string, std::string>> objects = {
        {"2o$2o!", "xs4_33"},          {"b2o$o2bo$b2o!", "xs6_696"},      {"b2o$o2bo$bobo$2bo!", "xs7_2596"},
        {"2o$obo$bo!", "xs5_253"},     {"bo$obo$bo!", "xs4_252"},         {"2o$obo$b2o!", "xs6_356"},
        {"b2o$o2bo$o2bo$b2o!", "xs8_6996"}, {"3o!", "xp2_7"},             {"b3o$3o!", "xp2_7e"},
        {"2o$2o$2b2o$2b2o!", "xp2_318c"}, {"bo$2bo$3o!", "xq4_153"},      {"bo2bo$o$o3bo$4o!", "xq4_6frc"},
        // A lightweight spaceship still forming is named after the cycle it falls into.
        {"2bo$3bo$3bo$o2bo$b3o!", "xq4_6frc"},
    };
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const auto& [rle, name] = objects[i];
        EXPECT_EQ(NameIn(life, rle, static_cast<int>(i * 3 % 8), static_cast<int>(i % 4)), name) << rle;
    }
}

TEST(Census, SpaceshipsOfGollyRulesKeepTheirSpeed) {
    const core::Rule life = testsupport::LifeRule();
    const formats::ImportedGollyRule brain = formats::ParseGollyRuletableText(
        testsupport::ReadText("/usr/share/golly/Rules/BriansBrain.rule"));
    const core::Rule brainRule{brain.stateCount, brain.symmetry, brain.table};
    ObjectClassifier lifeClassifier(life, 100), brainClassifier(brainRule, 100);
    // Life's lightweight spaceship moves 2 cells in 4 generations; Brian's Brain's smallest ship
    // (two firing cells led by two refractory ones) one cell a generation.
    const ObjectInfo& lwss = lifeClassifier.Classify(Turned(life, "4o$o3bo$o$bo2bo!", 1, 1));
    const ObjectInfo& ship = brainClassifier.Classify(Turned(brainRule, "2A$2B!", 6, 0));
    EXPECT_EQ(std::tuple(lwss.name, lwss.kind, lwss.period, std::abs(lwss.dx) + std::abs(lwss.dy)),
              std::tuple("xq4_6frc", ObjectClass::Spaceship, 4, 2));
    EXPECT_EQ(std::tuple(ship.name, ship.kind, ship.period, std::abs(ship.dx) + std::abs(ship.dy)),
              std::tuple("xq1_03_3", ObjectClass::Spaceship, 1, 1));
}

TEST(Census, LifeSoupsLeaveTheCommonAsh) {
    CensusOptions options;
    options.soups = kLifeSoups;
    const CensusResult result = RunCensus(testsupport::LifeRule(), "B3/S23", options);
    std::vector<std::string> common;
    for (std::size_t i = 0; i < std::min<std::size_t>(10, result.objects.size()); ++i)
        common.push_back(result.objects[i].name);
    for (const char* name : {"xs4_33", "xp2_7", "xs6_696", "xs7_2596", "xs5_253", "xq4_153"})
        EXPECT_NE(std::find(common.begin(), common.end(), name), common.end()) << name;
    EXPECT_EQ(std::tuple(result.options.soups, result.firstSeed, result.lastSeed),
              std::tuple(kLifeSoups, 1u, static_cast<std::uint32_t>(kLifeSoups)));
}

TEST(Census, SplitRunsMergeIntoOneRun) {
    const core::Rule life = testsupport::LifeRule();
    CensusOptions whole;
    whole.soups = kSplitSoups;
    whole.seed = 7;
    whole.threads = 1;
    CensusOptions first = whole, second = whole;
    first.soups = kSplitSoups / 2;
    second.seed = whole.seed + static_cast<std::uint32_t>(first.soups);
    second.soups = kSplitSoups - first.soups;
    second.threads = 2;
    const std::string expected = CensusToJson(RunCensus(life, "B3/S23", whole));
    const CensusResult a = RunCensus(life, "B3/S23", first), b = RunCensus(life, "B3/S23", second);
    EXPECT_EQ(CensusToJson(MergeCensus({CensusFromJson(CensusToJson(b)), a})), expected);
    EXPECT_EQ(CensusToJson(CensusFromJson(expected)), expected);

    CensusResult other = a, otherRule = a, otherLimit = a;
    other.options.size = 20;
    otherRule.rule = "B36/S23";
    otherLimit.options.maxGenerations = 10;
    const std::string range = "7-" + std::to_string(6 + first.soups);
    const std::vector<std::pair<std::vector<CensusResult>, std::string>> refusals = {
        {{a, a}, "Cannot merge censuses whose seeds overlap: " + range + " and " + range + "."},
        {{a, other}, "Cannot merge censuses of different soup sizes: 16 and 20."},
        {{a, otherRule}, "Cannot merge censuses of different rules: B3/S23 and B36/S23."},
        {{a, otherLimit}, "Cannot merge censuses of different generation limits: 4000 and 10."},
        {{}, "There is no census to merge."},
    };
    for (const auto& refusal : refusals)
        EXPECT_EQ(testsupport::ErrorOf([&] { MergeCensus(refusal.first); }), refusal.second);
}

TEST(Census, CancellingKeepsTheSoupsDone) {
    CensusOptions options;
    options.soups = 50;
    options.threads = 1;
    const CensusResult result = RunCensus(testsupport::LifeRule(), "B3/S23", options, [](int) { return false; });
    EXPECT_EQ(std::tuple(result.options.soups, result.lastSeed), std::tuple(1, 1u));
}

TEST(Census, SoupsThatNeverSettleAreGrowingOrUnresolved) {
    CensusOptions options;
    options.soups = 6;
    options.maxGenerations = 60;
    for (const core::Rule& rule : {testsupport::RandomRule(3, 5), testsupport::RandomSymmetricRule(2, 4, 9, 60)}) {
        const CensusResult result = RunCensus(rule, "random", options);
        std::uint64_t soups = 0;
        for (const CensusObject& o : result.objects) {
            EXPECT_TRUE(o.kind == ObjectClass::Growing || o.kind == ObjectClass::Unresolved) << o.name;
            soups += o.count;
        }
        EXPECT_GE(soups, 1u);
    }
}

TEST(Census, MalformedJsonIsRefusedByName) {
    // Seeds 1 and 2, with the soup count to follow.
    const std::string kHeader =
        "{\"rule\": \"x\", \"size\": 16, \"density\": 0.5, \"seedFirst\": 1, \"seedLast\": 2, "
        "\"maxGenerations\": 9, \"soups\": ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{\"rule\": 1}", "Invalid census JSON: \"rule\" of the census has the wrong type."},
        {"[", "Malformed census JSON at byte 1: unexpected end."},
        {"{\"rule\": \"x\", \"soups\": -1}", "Invalid census JSON: \"soups\" of the census is out of range: -1."},
        {kHeader + "3, \"objects\": []}", "Invalid census JSON: more soups than seeds from \"seedFirst\" to \"seedLast\"."},
        {kHeader + "1, \"objects\": [{\"name\": \"a\", \"class\": \"big\"}]}",
         "Invalid census JSON: unknown object class \"big\"."},
        {kHeader + "1, \"objects\": [{\"name\": \"a\"}]}", "Invalid census JSON: an object has no \"class\"."},
        {"{\"rule\": \"x\\q\"}", "Malformed census JSON at byte 13: bad escape in a string."},
    };
    for (const auto& refused : cases)
        EXPECT_EQ(testsupport::ErrorOf([&] { CensusFromJson(refused.first); }), refused.second);
}

}  // namespace
}  // namespace authoring
