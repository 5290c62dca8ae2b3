// The binding against the real profile and spooler of the system it runs on (Wine, in a scratch
// prefix): the read semantics the loading code relies on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/BackgroundBroadcast.h"
#include "platform/Win32Platform.h"
#include "printerlist/PrinterListLoading.h"

// After <windows.h>, which the binding brings.
#include <winspool.h>

using namespace std::string_literals;
using tavrelonim::platform::OsVersionInfo;
using tavrelonim::platform::PrinterDefaults;
using tavrelonim::platform::PrinterHandle;
using tavrelonim::platform::Win32Platform;

namespace {

const std::string kSection = "TavrelonimBindingTest";

class Win32PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { ::WriteProfileStringA(kSection.c_str(), nullptr, nullptr); }
    void TearDown() override { ::WriteProfileStringA(kSection.c_str(), nullptr, nullptr); }
    Win32Platform platform;
};

}  // namespace

TEST_F(Win32PlatformTest, KeyNamesComeInOrderEachWithItsNulAndTheCountLeavesOutTheClosingOne) {
    ASSERT_TRUE(platform.WriteProfileStringA(kSection, "Primeira", "a,b,15,45"));
    ASSERT_TRUE(platform.WriteProfileStringA(kSection, "Segunda", "c,d,15,45"));
    std::string buffer(64, ' ');
    const auto count = platform.GetProfileStringA(kSection, std::nullopt, "", buffer);
    EXPECT_EQ(count, 17U);
    EXPECT_EQ(buffer.substr(0, 18), "Primeira\0Segunda\0\0"s);
    EXPECT_EQ(buffer.substr(18), std::string(46, ' '));  // the rest keeps its content
}

TEST_F(Win32PlatformTest, ReadsThatDoNotFitReportSizeLessTwoForKeysAndLessOneForValues) {
    platform.WriteProfileStringA(kSection, "Primeira", "driver,port,15,45");
    platform.WriteProfileStringA(kSection, "Segunda", "x");
    std::string keys(12, ' ');
    EXPECT_EQ(platform.GetProfileStringA(kSection, std::nullopt, "", keys), 10U);
    std::string value(8, ' ');
    EXPECT_EQ(platform.GetProfileStringA(kSection, "Primeira"s, "", value), 7U);
    EXPECT_EQ(value, "driver,\0"s);
}

TEST_F(Win32PlatformTest, WholeReadsGrowPastTheFirstBuffer) {
    for (int i = 0; i < 1500; ++i) {
        platform.WriteProfileStringA(kSection, "Impressora " + std::to_string(i), "d,p");
    }
    const std::string value = "driver," + std::string(3000, 'p') + ",15";
    platform.WriteProfileStringA(kSection, "Longa", value);
    const auto block = tavrelonim::printerlist::ReadWholeProfileString(platform, kSection, std::nullopt, 8192);
    EXPECT_GT(block.size(), 8192U);
    EXPECT_TRUE(block.ends_with("Impressora 1499\0Longa\0"s));
    EXPECT_EQ(tavrelonim::printerlist::ReadWholeProfileString(platform, kSection, "Longa"s, 1024), value);
    EXPECT_EQ(tavrelonim::printerlist::ReadWholeProfileString(platform, kSection, "Nenhuma"s, 1024), "");
}

TEST_F(Win32PlatformTest, VersionQueryAndSpoolerFailuresAsTheCallersExpect) {
    OsVersionInfo version;
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(platform.GetVersionExA(version));
    EXPECT_NE(version.dwPlatformId, 0U);
    PrinterHandle handle = nullptr;
    EXPECT_FALSE(platform.OpenPrinterA("Impressora que nao existe", handle, PrinterDefaults{}));
    EXPECT_NE(platform.GetLastError(), 0U);
}

TEST_F(Win32PlatformTest, PrinterNamesAreTheSpoolersOwnInItsOrder) {
    DWORD needed = 0;
    DWORD returned = 0;
    ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(needed == 0 || ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4,
                                               buffer.data(), needed, &needed, &returned));
    const auto names = platform.EnumPrinterNames();
    ASSERT_EQ(names.size(), returned);
    if (returned == 0) {
        GTEST_SKIP() << "this prefix has no printers to compare";
    }
    const auto* records = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) {
        EXPECT_EQ(tavrelonim::platform::WidenFromCodePage(names[i]), records[i].pPrinterName);
    }
}

TEST(CodePageText, NamesBeyondAsciiPassThroughTheWideListAndBack) {
    const std::string name = "Impressora Recep\xE7\xE3o";  // in the Western code page
    EXPECT_EQ(tavrelonim::platform::NarrowToCodePage(tavrelonim::platform::WidenFromCodePage(name)), name);
    EXPECT_EQ(tavrelonim::platform::NarrowToCodePage(tavrelonim::platform::WidenFromCodePage("")), "");
}

TEST(CodePageText, WesternBytesAreTheirCharacters) {
    if (::GetACP() != 1252) {
        GTEST_SKIP() << "the process code page is " << ::GetACP() << ", not the Western 1252";
    }
    EXPECT_EQ(tavrelonim::platform::WidenFromCodePage("Impressora Recep\xE7\xE3o"), L"Impressora Recep\u00e7\u00e3o");
}

TEST(PrinterNameComparison, OrdinalWithoutRegardToCaseWhateverTheThreadsLocale) {
    Win32Platform platform;
    const LCID former = ::GetThreadLocale();
    ::SetThreadLocale(MAKELCID(MAKELANGID(LANG_TURKISH, SUBLANG_TURKISH_TURKEY), SORT_DEFAULT));
    EXPECT_EQ(platform.CompareStringOrdinal("IMPRESSORA", "impressora", true), tavrelonim::platform::kCstrEqual);
    EXPECT_NE(platform.CompareStringOrdinal("IMPRESSORA", "impressora", false), tavrelonim::platform::kCstrEqual);
    EXPECT_NE(platform.CompareStringOrdinal("Impressora", "Impressora ", true), tavrelonim::platform::kCstrEqual);
    ::SetThreadLocale(former);
}

namespace {

using tavrelonim::platform::BackgroundBroadcast;
using tavrelonim::platform::BroadcastArguments;

// What the fake senders saw; read once the worker has said it is idle or has gone.
std::vector<std::string> sentTexts;

void RecordSlowly(const BroadcastArguments& arguments) noexcept {
    ::Sleep(200);
    sentTexts.push_back(arguments.text);
}

// A worker that dies while sending, as one killed from outside would.
void EndTheWorker(const BroadcastArguments&) noexcept { ::ExitThread(1); }

}  // namespace

TEST(BackgroundBroadcastTest, OneOutOneDueCarryingTheLatestArguments) {
    sentTexts.clear();
    BackgroundBroadcast broadcast(&RecordSlowly);
    for (const char* text : {"first", "second", "third"}) {
        ASSERT_TRUE(broadcast.Send(WM_WININICHANGE, 0, text, SMTO_ABORTIFHUNG, 3000));
    }
    ASSERT_TRUE(broadcast.Finish(5000));
    EXPECT_THAT(sentTexts, ::testing::ElementsAre("first", "third"));
}

TEST(BackgroundBroadcastTest, AGoneWorkerLeavesTheSendingToTheCaller) {
    BackgroundBroadcast broadcast(&EndTheWorker);
    ASSERT_TRUE(broadcast.Send(WM_WININICHANGE, 0, "windows", SMTO_ABORTIFHUNG, 3000));
    bool refused = false;
    for (int attempt = 0; attempt < 500 && !refused; ++attempt) {
        refused = !broadcast.Send(WM_WININICHANGE, 0, "windows", SMTO_ABORTIFHUNG, 3000);
        ::Sleep(10);
    }
    EXPECT_TRUE(refused);
    // Not a wait to the bound (that gives false): nothing is left that could go out.
    EXPECT_TRUE(broadcast.Finish(BackgroundBroadcast::kFinishMilliseconds));
}
