#include "tests/helpers/Soak.h"

#include <gtest/gtest.h>

using namespace zelk::test;

// The short soak; scripts/soak.sh runs the hour-long one.
TEST (Soak, MinutesOfMusicWithEverythingAHostDoes)
{
    SoakSettings settings;
#if ZELK_SANITIZE
    settings.seconds = 60.0; // ten times slower there
#else
    settings.seconds = 600.0;
#endif
    const auto report = runSoak (settings);

    EXPECT_EQ (report.failures, 0) << report.firstFailures.joinIntoString ("\n");
    EXPECT_EQ (report.allocations, 0u);
    EXPECT_GE (report.musicSeconds, settings.seconds);

    // It did what it is for: notes played, and every kind of event happened.
    EXPECT_GT (report.noteOns, 100);
    EXPECT_GT (report.blocksOf512, 0);
    EXPECT_GT (report.blocks, report.blocksOf512);
    EXPECT_GT (report.jumps, 0);
    EXPECT_GT (report.loopChanges, 0);
    EXPECT_GT (report.stops, 0);
    EXPECT_GT (report.auditions, 0);
    EXPECT_GT (report.reloads, 0);
}
