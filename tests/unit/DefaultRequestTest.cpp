#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "FakeList.h"
#include "FakePlatform.h"
#include "defaulting/DefaultPrinterMark.h"
#include "defaulting/DefaultRequest.h"
#include "platform/NoticeCoalescing.h"

using namespace tavrelonim::defaulting;
using tavrelonim::platform::NoticeCoalescing;
using tavrelonim::testing::FakeList;
using tavrelonim::testing::FakePlatform;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

const char* const kNotice = "SendMessageTimeoutA 65535|26|0|windows|2|3000";

class DefaultRequest : public ::testing::Test {
protected:
    DefaultRequest() {
        for (const char* name : {"Escritorio_A", "Escritorio_B", "Sala_C"}) {
            platform.SetProfileString("PrinterPorts", name, std::string("wineps.drv,CUPS:") + name + ",15,45");
            platform.spoolerPrinters.push_back({name, std::string("CUPS:") + name});
            platform.installedPrinters.emplace_back(name);
            list.AddItem(name);
        }
    }
    void Select(int index) { list.selected = index; }
    void Request() { MakeSelectedPrinterDefault(context); }
    void OnPlatform(std::uint32_t id) { platform.platformId = id; }

    FakePlatform platform;
    FakeList list;
    ApplicationPrinter applicationPrinter{"Escritorio_A"};
    DefaultingContext context{platform, list, applicationPrinter};
};

}  // namespace

TEST_F(DefaultRequest, ProfileStrategyWritesOneDeviceLineThenOneNoticeThenFollows) {
    Select(1);
    Request();
    EXPECT_THAT(platform.calls,
                ElementsAre("GetVersionExA 148", "GetProfileStringA PrinterPorts|Escritorio_B||1024",
                            "WriteProfileStringA windows|Device|Escritorio_B,wineps.drv,CUPS:Escritorio_B", kNotice,
                            "EnumPrinterNames"));
    EXPECT_EQ(applicationPrinter.DeviceName(), "Escritorio_B");
}

TEST_F(DefaultRequest, AFailedDeviceWriteIsReportedAndChangesNothingElse) {
    platform.profileWriteFails = true;
    platform.majorVersion = 10;  // where the request would also turn off Windows' own management
    Select(1);
    Request();
    EXPECT_THAT(platform.calls, Not(Contains(::testing::StartsWith("SendMessageTimeoutA"))));
    EXPECT_THAT(platform.calls, Not(Contains(::testing::StartsWith("RegSetKeyValueA"))));
    EXPECT_THAT(platform.registryDwords, IsEmpty());
    EXPECT_THAT(platform.calls, Not(Contains("EnumPrinterNames")));
    EXPECT_EQ(applicationPrinter.DeviceName(), "Escritorio_A");
    EXPECT_THAT(platform.messageBoxes, ElementsAre("WriteProfileString Failed. Error code: 5"));
}

TEST_F(DefaultRequest, ARequestWritesAnnouncesAndFollowsOnePrinterWhateverMovesTheSelectionMeanwhile) {
    // A failed switch-off is told; the box's message loop moves the selection (a reader's Select,
    // another program's LB_SETCURSEL) while the request still runs.
    platform.registryWriteFails = true;
    platform.registryWriteError = 1314;
    platform.majorVersion = 10;
    platform.duringMessageBox = [this] { Select(2); };
    Select(1);
    Request();
    EXPECT_THAT(platform.messageBoxes, ElementsAre("RegSetKeyValue Failed. Error code: 1314"));
    EXPECT_EQ(platform.ProfileString("windows", "Device"), "Escritorio_B,wineps.drv,CUPS:Escritorio_B");
    EXPECT_EQ(applicationPrinter.DeviceName(), "Escritorio_B");
    EXPECT_EQ(platform.calls.back(), "MessageBoxA RegSetKeyValue Failed. Error code: 1314");  // told last
}

TEST_F(DefaultRequest, EveryPlatformButOneTakesTheProfileStrategy) {
    Select(2);
    for (const std::uint32_t id : {0U, 2U, 3U}) {
        OnPlatform(id);
        platform.calls.clear();
        Request();
        EXPECT_THAT(platform.calls, Contains(kNotice)) << "platform " << id;
        EXPECT_THAT(platform.calls, Not(Contains(::testing::StartsWith("OpenPrinterA")))) << "platform " << id;
    }
    platform.versionQueryFails = true;  // leaves the 0 it was given
    OnPlatform(1);
    platform.calls.clear();
    Request();
    EXPECT_THAT(platform.calls, Contains(kNotice));
}

TEST_F(DefaultRequest, ProfileStrategyWritesNothingWithoutDriverAndPort) {
    platform.SetProfileString("PrinterPorts", "Escritorio_A", "nocomma");
    platform.SetProfileString("PrinterPorts", "Escritorio_B", ",CUPS:B,15");
    platform.SetProfileString("PrinterPorts", "Sala_C", "wineps.drv,,15");
    list.AddItem("Not in section");
    for (int index : {-1, 0, 1, 2, 3}) {
        Select(index);
        platform.calls.clear();
        Request();
        EXPECT_THAT(platform.calls, Not(Contains(::testing::StartsWith("WriteProfileStringA")))) << index;
        EXPECT_THAT(platform.calls, Not(Contains(::testing::StartsWith("SendMessageTimeoutA")))) << index;
    }
    EXPECT_EQ(applicationPrinter.DeviceName(), "Escritorio_A");
}

TEST_F(DefaultRequest, ProfileStrategyTakesDriverAndPortOfATwoFieldValue) {
    platform.SetProfileString("PrinterPorts", "Sala_C", "winspool,Ne01:");
    Select(2);
    Request();
    EXPECT_EQ(platform.ProfileString("windows", "Device"), "Sala_C,winspool,Ne01:");
}

TEST_F(DefaultRequest, OnWindowsTenAWrittenDefaultTurnsOffWindowsOwnManagement) {
    const std::string mode =
        std::string(tavrelonim::platform::kWindowsSectionKey) + "\\" + tavrelonim::platform::kLegacyDefaultPrinterMode;
    list.AddItem("Not in section");
    struct Case {
        std::uint32_t major;
        std::uint32_t platformId;
        std::optional<std::uint32_t> before;
        int selected;
        std::optional<std::uint32_t> after;
    };
    for (const Case& c : std::initializer_list<Case>{
             {10, 2, std::nullopt, 1, 1U},
             {10, 2, 0U, 1, 1U},
             {11, 2, 0U, 1, 1U},
             {10, 2, 2U, 1, 2U},                     // a value Windows does not know is left alone
             {6, 2, std::nullopt, 1, std::nullopt},  // older systems: never written
             {6, 2, 0U, 1, 0U},
             {10, 2, 0U, -1, 0U},  // nothing selected: nothing written
             {10, 2, 0U, 3, 0U},   // no PrinterPorts entry: nothing written
             {10, 1, 0U, 1, 0U},   // the spooler strategy
         }) {
        platform.majorVersion = c.major;
        OnPlatform(c.platformId);
        platform.registryDwords.clear();
        if (c.before) {
            platform.registryDwords[mode] = *c.before;
        }
        Select(c.selected);
        platform.calls.clear();
        Request();
        const auto found = platform.registryDwords.find(mode);
        EXPECT_EQ(found == platform.registryDwords.end() ? std::nullopt : std::optional(found->second), c.after)
            << c.major << " " << c.platformId << " " << c.selected;
        if (c.after != c.before) {  // after the write, before the notice, which announces both
            const auto at = [&](std::string_view prefix) {
                return std::find_if(platform.calls.begin(), platform.calls.end(),
                                    [&](const std::string& call) { return call.starts_with(prefix); }) -
                       platform.calls.begin();
            };
            EXPECT_LT(at("WriteProfileStringA"), at("RegSetKeyValueA"));
            EXPECT_LT(at("RegSetKeyValueA"), at("SendMessageTimeoutA"));
        }
    }
}

TEST(DefaultPrinterMark, MarksTheFirstEntryNamingTheDefaultWhateverItsCase) {
    FakePlatform platform;
    FakeList list;
    EXPECT_EQ(DefaultPrinterRow(platform, list), -1);  // no entries, no default
    for (const char* name : {"Escritorio_A", "sala_c", "Sala_C", "Sala_C "}) {
        list.AddItem(name);
    }
    EXPECT_EQ(DefaultPrinterRow(platform, list), -1);  // no default
    platform.defaultPrinter = "";
    EXPECT_EQ(DefaultPrinterRow(platform, list), -1);
    platform.defaultPrinter = "Escritorio_A";
    EXPECT_EQ(DefaultPrinterRow(platform, list), 0);
    platform.defaultPrinter = "SALA_C";
    EXPECT_EQ(DefaultPrinterRow(platform, list), 1);  // first of the names that match
    platform.defaultPrinter = "Sala";
    EXPECT_EQ(DefaultPrinterRow(platform, list), -1);  // whole names only
    // The load finds it among the names it read, without the list, and finds the same row.
    const std::vector<std::string_view> read(list.entries.begin(), list.entries.end());
    for (const char* name : {"Escritorio_A", "SALA_C", "Sala", ""}) {
        platform.defaultPrinter = name;
        EXPECT_EQ(DefaultPrinterRow(platform, read), DefaultPrinterRow(platform, list)) << name;
    }
}

TEST(DefaultPrinterMark, MarksANameThatDiffersOnlyInLetterCase) {
    // The comparison itself, code unit by code unit whatever the locale, is the binding's.
    FakePlatform platform;
    FakeList list;
    list.AddItem("impressora");
    platform.defaultPrinter = "IMPRESSORA";
    EXPECT_EQ(DefaultPrinterRow(platform, list), 0);
}

TEST(DefaultPrinterMark, NoticesOfTheWindowsSectionOrOfNoneMayChangeTheDefault) {
    const auto notice = [](const wchar_t* section) {
        return NoticeMayChangeDefaultPrinter({reinterpret_cast<std::uintptr_t>(section)});
    };
    EXPECT_TRUE(notice(L"windows"));
    EXPECT_TRUE(notice(L"Windows"));
    EXPECT_TRUE(notice(L"WINDOWS"));
    EXPECT_FALSE(notice(L"intl"));
    EXPECT_FALSE(notice(L"windowsx"));
    EXPECT_FALSE(notice(L"window"));
    EXPECT_FALSE(notice(L""));
    // Null and integers (a system parameter's notice carries one) name no section; they are
    // never read as an address.
    for (const std::uintptr_t integer :
         {std::uintptr_t{0}, std::uintptr_t{1}, std::uintptr_t{0x2F}, kLargestIntegerArgument}) {
        EXPECT_TRUE(NoticeMayChangeDefaultPrinter({integer})) << integer;
    }
    // A text that runs on without a terminator is read no further than it differs.
    const std::array<wchar_t, 8> unterminated{L'w', L'i', L'n', L'd', L'o', L'w', L's', L'!'};
    EXPECT_FALSE(notice(unterminated.data()));
}

TEST(NoticeCoalescing, OneOutOneDueAndTheLastFollowsTheLastWrite) {
    NoticeCoalescing notices;
    int writes = 0;
    std::vector<int> sentAfterWrite;  // for each notice sent, the writes made before it went out
    const auto request = [&] {
        ++writes;
        if (notices.Wanted()) {
            sentAfterWrite.push_back(writes);
        }
    };
    const auto oneEnds = [&] {
        if (notices.Ended()) {
            sentAfterWrite.push_back(writes);
        }
    };
    request();
    oneEnds();
    EXPECT_THAT(sentAfterWrite, ElementsAre(1));
    EXPECT_TRUE(notices.Idle());

    // Ten requests while the first notice is held up: it, then one after the last write.
    for (int i = 0; i < 9; ++i) {
        request();
    }
    EXPECT_THAT(sentAfterWrite, ElementsAre(1, 2));
    oneEnds();
    EXPECT_THAT(sentAfterWrite, ElementsAre(1, 2, 10));
    request();  // while the due one is out: one more is due
    oneEnds();
    EXPECT_FALSE(notices.Idle());
    oneEnds();
    EXPECT_THAT(sentAfterWrite, ElementsAre(1, 2, 10, 11));
    EXPECT_TRUE(notices.Idle());
}

TEST_F(DefaultRequest, ApplicationPrinterNotSwitchedWhenItIsAlreadyTheChosenOne) {
    Select(0);
    Request();
    EXPECT_THAT(platform.calls, Not(Contains("EnumPrinterNames")));
    OnPlatform(1);
    platform.calls.clear();
    Request();
    EXPECT_THAT(platform.calls, Not(Contains("EnumPrinterNames")));
}

TEST_F(DefaultRequest, SpoolerStrategyKeepsOtherAttributesAndClosesTheHandle) {
    OnPlatform(1);
    platform.spoolerPrinters[1].attributes = 0x48;  // shared, network
    Select(1);
    Request();
    EXPECT_THAT(platform.calls,
                ElementsAre("GetVersionExA 148", "OpenPrinterA Escritorio_B|983052", "GetPrinterA 5|0",
                            ::testing::StartsWith("GetPrinterA 5|"),
                            "SetPrinterA 5|Escritorio_B|CUPS:Escritorio_B|76|0", "EnumPrinterNames", "ClosePrinter"));
    ASSERT_EQ(platform.printersWritten.size(), 1U);
    EXPECT_EQ(platform.printersWritten[0].deviceNotSelectedTimeout, 15000U);
    EXPECT_EQ(platform.printersWritten[0].transmissionRetryTimeout, 45000U);
    EXPECT_EQ(applicationPrinter.DeviceName(), "Escritorio_B");
    EXPECT_THAT(platform.openHandles, IsEmpty());
    EXPECT_THAT(platform.messageBoxes, IsEmpty());
}

TEST_F(DefaultRequest, SpoolerStrategyReportsAFailedWriteWithItsCodeBeforeClosing) {
    OnPlatform(1);
    platform.setPrinterFails = true;
    Select(2);
    for (const std::uint32_t error : {5U, 0xFFFFFFFFU}) {
        platform.setPrinterError = error;
        platform.calls.clear();
        Request();
        EXPECT_EQ(platform.calls.back(), "ClosePrinter");
    }
    EXPECT_THAT(platform.messageBoxes,
                ElementsAre("SetPrinter Failed. Error code: 5", "SetPrinter Failed. Error code: -1"));
    EXPECT_EQ(applicationPrinter.DeviceName(), "Escritorio_A");
    EXPECT_THAT(platform.openHandles, IsEmpty());
}

TEST_F(DefaultRequest, SpoolerStrategyEndsSilentlyOnEveryOtherFailure) {
    OnPlatform(1);
    Select(2);
    const auto runWith = [this](auto&& arrange) {
        platform.calls.clear();
        arrange();
        Request();
        EXPECT_THAT(platform.calls, Not(Contains(::testing::StartsWith("SetPrinterA"))));
        EXPECT_THAT(platform.openHandles, IsEmpty());
        platform.openFails = platform.secondInformationCallFails = platform.stringsPointOutsideBuffer = false;
        platform.portUnterminated = platform.acceptsAnyBuffer = false;
        platform.reportedNeeded.reset();
    };
    runWith([this] { platform.openFails = true; });
    runWith([this] { platform.secondInformationCallFails = true; });
    runWith([this] { platform.reportedNeeded = 12; });  // smaller than the record
    runWith([this] {  // ... and a driver that then fills just that much: never read past it
        platform.reportedNeeded = 12;
        platform.acceptsAnyBuffer = true;
    });
    runWith([this] { platform.reportedNeeded = 0; });
    runWith([this] { platform.reportedNeeded = 0xFFFFFFF0; });  // not a printer record
    runWith([this] { platform.stringsPointOutsideBuffer = true; });
    runWith([this] { platform.portUnterminated = true; });  // written back, the port would go blank
    EXPECT_THAT(platform.messageBoxes, IsEmpty());
    Select(-1);
    platform.calls.clear();
    Request();
    EXPECT_THAT(platform.calls, ElementsAre("GetVersionExA 148"));
}

TEST(ReadAnsiStringAt, ReadsAnyLengthTerminatedWithinTheBuffer) {
    std::vector<std::byte> buffer(2048, std::byte{'x'});
    auto* text = reinterpret_cast<char*>(buffer.data());
    text[511] = '\0';
    EXPECT_EQ(ReadAnsiStringAt(text, buffer), std::string(511, 'x'));
    text[511] = 'x';
    text[1500] = '\0';
    EXPECT_EQ(ReadAnsiStringAt(text, buffer), std::string(1500, 'x'));  // long names are names too
    text[0] = '\0';
    EXPECT_EQ(ReadAnsiStringAt(text, buffer), "");
    EXPECT_EQ(ReadAnsiStringAt(nullptr, buffer), "");
    EXPECT_EQ(ReadAnsiStringAt(text + 2040, buffer), std::nullopt);  // runs off the buffer's end unterminated
    EXPECT_EQ(ReadAnsiStringAt(text + 2048, buffer), std::nullopt);  // just past the buffer
    std::memcpy(text + 2044, "abc", 4);
    EXPECT_EQ(ReadAnsiStringAt(text + 2044, buffer), "abc");
}

TEST(SwitchApplicationPrinter, FirstExactMatchWinsAndNoMatchChangesNothing) {
    FakePlatform platform;
    platform.installedPrinters = {"sala", "Sala", "Sala"};
    ApplicationPrinter applicationPrinter{"start"};
    SwitchApplicationPrinter(platform, applicationPrinter, "SALA");
    EXPECT_EQ(ApplicationPrinterDeviceName(applicationPrinter), "start");
    SwitchApplicationPrinter(platform, applicationPrinter, "Sala");
    EXPECT_EQ(ApplicationPrinterDeviceName(applicationPrinter), "Sala");
    platform.installedPrinters.clear();
    SwitchApplicationPrinter(platform, applicationPrinter, "sala");
    EXPECT_EQ(ApplicationPrinterDeviceName(applicationPrinter), "Sala");
    EXPECT_THAT(platform.messageBoxes, IsEmpty());
}

TEST(ApplicationPrinter, StartsAtTheSystemDefaultOrNone) {
    FakePlatform platform;
    EXPECT_EQ(ApplicationPrinter::StartingAtSystemDefault(platform).DeviceName(), "");
    platform.defaultPrinter = "Sala_C";
    EXPECT_EQ(ApplicationPrinter::StartingAtSystemDefault(platform).DeviceName(), "Sala_C");
}
