#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "printerlist/ProfileText.h"

using namespace std::string_literals;
using tavrelonim::printerlist::ComposeDeviceLine;
using tavrelonim::printerlist::DriverAndPort;
using tavrelonim::printerlist::SplitDriverAndPort;
using tavrelonim::printerlist::SplitKeyBlock;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(SplitKeyBlock, EmptyOrAllSpacesYieldsNothing) {
    EXPECT_THAT(SplitKeyBlock(""), IsEmpty());
    EXPECT_THAT(SplitKeyBlock(std::string(8192, ' ')), IsEmpty());
    EXPECT_THAT(SplitKeyBlock("\0\0"s), IsEmpty());
}

TEST(SplitKeyBlock, NamesInOrderThenClosingNulAndStaleSpacesAreSkipped) {
    EXPECT_THAT(SplitKeyBlock("Escritorio_A\0Sala_C\0\0      "s), ElementsAre("Escritorio_A", "Sala_C"));
}

TEST(SplitKeyBlock, BlankNamesSkippedOthersKeptUntrimmedWithDuplicates) {
    EXPECT_THAT(SplitKeyBlock("   \0 Lead\0Trail \0\t\0A\0A\0"s), ElementsAre(" Lead", "Trail ", "\t", "A", "A"));
}

TEST(SplitKeyBlock, TextWithoutNulIsOneNameUnlessBlank) {
    EXPECT_THAT(SplitKeyBlock("  Only one  "), ElementsAre("  Only one  "));
    EXPECT_THAT(SplitKeyBlock("    "), IsEmpty());
    EXPECT_THAT(SplitKeyBlock("A\0cut short"s), ElementsAre("A", "cut short"));
}

TEST(SplitKeyBlock, LongBlocksSplitPastAnySixteenBitPosition) {
    std::string block;
    for (int i = 0; i < 5000; ++i) {
        block += "Printer number " + std::to_string(i) + '\0';
    }
    ASSERT_GT(block.size(), 65536U);
    const auto names = SplitKeyBlock(block);
    ASSERT_EQ(names.size(), 5000U);
    EXPECT_EQ(names.front(), "Printer number 0");
    EXPECT_EQ(names.back(), "Printer number 4999");
}

TEST(SplitDriverAndPort, FieldsOfAValue) {
    EXPECT_EQ(SplitDriverAndPort("wineps.drv,CUPS:A,15,45"), (DriverAndPort{"wineps.drv", "CUPS:A"}));
    EXPECT_EQ(SplitDriverAndPort("winspool,Ne00:"), (DriverAndPort{"winspool", "Ne00:"}));
    EXPECT_EQ(SplitDriverAndPort(",LPT1:,15"), (DriverAndPort{"", "LPT1:"}));
    EXPECT_EQ(SplitDriverAndPort("drv,,15,45"), (DriverAndPort{"drv", ""}));
    EXPECT_EQ(SplitDriverAndPort(" drv , port ,"), (DriverAndPort{" drv ", " port "}));
}

TEST(SplitDriverAndPort, NoCommaGivesTwoEmptyTexts) {
    EXPECT_EQ(SplitDriverAndPort(""), DriverAndPort{});
    EXPECT_EQ(SplitDriverAndPort("nodriverhere"), DriverAndPort{});
}

TEST(SplitDriverAndPort, StopsAtTheValuesNul) {
    // What follows the terminator is stale buffer content, never part of the value.
    EXPECT_EQ(SplitDriverAndPort("drv,port\0,stale,"s), (DriverAndPort{"drv", "port"}));
    EXPECT_EQ(SplitDriverAndPort("nocomma\0drv,port,"s), DriverAndPort{});
}

TEST(ComposeDeviceLine, JoinsWithExactlyTwoCommas) {
    EXPECT_EQ(ComposeDeviceLine("Impressora da Sala", "wineps.drv", "CUPS:Sala"),
              "Impressora da Sala,wineps.drv,CUPS:Sala");
    EXPECT_EQ(ComposeDeviceLine(" A ", "", ""), " A ,,");
}
