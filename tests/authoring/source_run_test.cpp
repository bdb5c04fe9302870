#include "authoring/source_run.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/test_rules.h"

namespace authoring {
namespace {

TEST(SourceRun, StepBackReplaysAndRewindRecomputes) {
    core::Rule life = testsupport::LifeRule();
    SourceRun run;
    run.Randomize(life, 40, 0.5, 3);
    EXPECT_EQ(std::tuple(run.patternSize, run.CoverageSamples().size()), std::tuple(40, 1u));
    run.Step(life);
    run.Step(life);
    const core::ChunkGrid second = run.grid;
    ASSERT_TRUE(run.StepBack(life));
    // Stepping back discards later snapshots, so the step computes generation 2 again.
    EXPECT_EQ(std::tuple(run.generation, run.GridSnapshots().size()), std::tuple(1, 2u));
    run.Step(life);
    EXPECT_FALSE(run.grid.SharesStorageWith(second));
    // After a rule change the run goes back to generation 0 and forgets what it computed.
    life.table.assign(512, 0);
    run.Rewind(life);
    EXPECT_EQ(std::tuple(run.generation, run.GridSnapshots().size()), std::tuple(0, 1u));
    run.Step(life);
    EXPECT_EQ(run.grid.Chunks().begin()->second.liveCount, 0u);
    ASSERT_TRUE(run.StepBack(life));
    EXPECT_FALSE(run.StepBack(life));
}

TEST(SourceRun, FamiliarityIsTheMeanOfTheLastFiveSamples) {
    const core::Rule still{2, 4, core::RuleTable(512, 0)};
    SourceRun run;
    run.Randomize(still, 16, 0.0, 1);
    // An empty grid stores no chunk: its samples are 0.
    EXPECT_EQ(run.familiarity, 0.0);
    run.grid.SetCell(3, 3, 1);
    run.ResetHistory(still);
    const double first = run.CoverageSamples().back();
    EXPECT_TRUE(first > 99.0 && first < 100.0) << first;  // almost every cell is all background, seen from the start
    for (int i = 0; i < 7; ++i) run.Step(still);
    // The empty generations show nothing new.
    EXPECT_EQ(std::tuple(run.CoverageSamples().size(), run.familiarity), std::tuple(5u, 100.0));
}

TEST(SourceRun, LargePatternsKeepNoSnapshots) {
    const core::Rule still{2, 4, core::RuleTable(512, 0)};
    SourceRun run;
    run.Randomize(still, 600, 0.1, 2);
    EXPECT_EQ(run.familiarity, 0.0);
    run.Step(still);
    EXPECT_EQ(run.GridSnapshots().size(), 1u);
    EXPECT_FALSE(run.StepBack(still));
    run.Randomize(still, 5000, 2.0, 2);  // size and density are held to their ranges
    EXPECT_EQ(std::tuple(run.patternSize, run.density), std::tuple(2048, 1.0));
}

}  // namespace
}  // namespace authoring
