#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakeList.h"
#include "FakePlatform.h"
#include "printerlist/PrinterListLoading.h"

using namespace std::string_literals;
using tavrelonim::printerlist::LoadPrinterList;
using tavrelonim::printerlist::ReadWholeProfileString;
using tavrelonim::testing::FakeList;
using tavrelonim::testing::FakePlatform;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(LoadPrinterList, ListsTheSectionsKeysInOrderWithNothingSelected) {
    FakePlatform platform;
    platform.SetProfileString("PrinterPorts", "Sala_C", "wineps.drv,CUPS:Sala_C,15,45");
    platform.SetProfileString("PrinterPorts", "Escritorio_A", "wineps.drv,CUPS:Escritorio_A,15,45");
    platform.SetProfileString("PrinterPorts", "   ", "wineps.drv,CUPS:x,15,45");
    platform.SetProfileString("PrinterPorts", " Recepção ", "wineps.drv,CUPS:y,15,45");
    FakeList list;
    LoadPrinterList(platform, list);
    EXPECT_THAT(list.entries, ElementsAre("Sala_C", "Escritorio_A", " Recepção "));
    EXPECT_EQ(list.SelectedIndex(), -1);
    EXPECT_THAT(platform.calls, ElementsAre("GetProfileStringA PrinterPorts|<null>||262144"));
}

TEST(LoadPrinterList, MissingSectionLeavesTheListEmpty) {
    FakePlatform platform;
    FakeList list;
    LoadPrinterList(platform, list);
    EXPECT_THAT(list.entries, IsEmpty());
}

TEST(LoadPrinterList, ThousandsOfPrintersTakeOneRead) {
    FakePlatform platform;
    for (int i = 0; i < 3000; ++i) {
        platform.SetProfileString("PrinterPorts", "Impressora " + std::to_string(i), "wineps.drv,CUPS:p,15,45");
    }
    FakeList list;
    LoadPrinterList(platform, list);
    ASSERT_EQ(list.entries.size(), 3000U);
    EXPECT_EQ(list.entries.back(), "Impressora 2999");
    EXPECT_EQ(platform.calls.size(), 1U);
}

TEST(LoadPrinterList, SectionLargerThanTheFirstReadIsListedWhole) {
    FakePlatform platform;
    const std::string longName(200, 'n');
    for (int i = 0; i < 2000; ++i) {
        platform.SetProfileString("PrinterPorts", longName + std::to_string(i), "wineps.drv,CUPS:p,15,45");
    }
    FakeList list;
    LoadPrinterList(platform, list);
    ASSERT_EQ(list.entries.size(), 2000U);
    EXPECT_EQ(list.entries.back(), longName + "1999");
    EXPECT_EQ(platform.calls.size(), 2U);  // grown once and read again
}

TEST(ReadWholeProfileString, KeyNamesThatExactlyFillTheBufferAreRereadNotCut) {
    FakePlatform platform;
    // 8 names of 1023 characters plus their NULs make 8192: the read reports size - 2.
    for (char c = 'a'; c < 'a' + 8; ++c) {
        platform.SetProfileString("PrinterPorts", std::string(1023, c), "d,p,");
    }
    const auto block = ReadWholeProfileString(platform, "PrinterPorts", std::nullopt, 8192);
    EXPECT_EQ(block.size(), 8192U);
    EXPECT_EQ(block.back(), '\0');
    EXPECT_EQ(block.substr(7 * 1024, 1023), std::string(1023, 'h'));
}

TEST(ReadWholeProfileString, LongValueIsReadWholeAndWithoutStaleContent) {
    FakePlatform platform;
    const std::string value = "driver,CUPS:" + std::string(3000, 'p') + ",15,45";
    platform.SetProfileString("PrinterPorts", "P", value);
    EXPECT_EQ(ReadWholeProfileString(platform, "PrinterPorts", "P"s, 1024), value);
    EXPECT_EQ(ReadWholeProfileString(platform, "PrinterPorts", "short"s, 1024), "");
    platform.SetProfileString("PrinterPorts", "short", "d,p");
    EXPECT_EQ(ReadWholeProfileString(platform, "PrinterPorts", "short"s, 1024), "d,p");
}
