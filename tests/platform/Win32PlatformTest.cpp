// The binding against the real profile and spooler of the system it runs on (Wine, in a scratch
// prefix): the read semantics the loading code relies on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <string_view>
#include <vector>

#include "platform/BackgroundBroadcast.h"
#include "platform/Win32Platform.h"
#include "printerlist/PrinterListLoading.h"
#include "printerlist/ProfileText.h"

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
    ASSERT_TRUE(needed == 0 || ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer.data(),
                                               needed, &needed, &returned));
    const auto names = platform.EnumPrinterNames();
    ASSERT_EQ(names.size(), returned);
    // The test environment gives the prefix a print server's printers: none means nothing was
    // compared, and the check would prove nothing.
    ASSERT_GT(returned, 0U) << "this prefix has no printers to compare";
    const auto* records = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) {
        EXPECT_EQ(tavrelonim::platform::WidenFromCodePage(names[i]), records[i].pPrinterName);
    }
}

#if defined(TAVRELONIM_TEST_CODE_PAGE_UTF8)
constexpr bool kCarriesTheManifest = true;
#else
constexpr bool kCarriesTheManifest = false;
#endif

// Names in other scripts, in UTF-8: Cyrillic, Greek, CJK, and an emoji beyond the 16-bit plane.
const std::vector<std::string> kUnicodeNames = {
    "\xD0\x9F\xD0\xB5\xD1\x87\xD0\xB0\xD1\x82\xD1\x8C \xD0\xA1\xD0\xBA\xD0\xBB\xD0\xB0\xD0\xB4 2",
    "\xCE\x95\xCE\xBA\xCF\x84\xCF\x85\xCF\x80\xCF\x89\xCF\x84\xCE\xAE\xCF\x82",
    "Drucker \xCE\xA9 \xE6\x9D\xB1\xE4\xBA\xAC",
    "Impressora \xF0\x9F\x96\xA8\xEF\xB8\x8F",
};

std::wstring WideFromUtf8(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                                               static_cast<int>(text.size()), wide.data(),
                                                               static_cast<int>(wide.size()))));
    return wide;
}

TEST(CodePageText, TheProcessCodePageIsUtf8WithTheManifestAndTheSystemsWithout) {
    if (kCarriesTheManifest) {
        EXPECT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8));
    } else {
        EXPECT_NE(::GetACP(), static_cast<UINT>(CP_UTF8));
    }
}

TEST(CodePageText, NamesBeyondAsciiPassThroughTheWideListAndBack) {
    // "Impressora Recepção" in the process code page: the Western one, or UTF-8.
    std::string name;
    if (::GetACP() == CP_UTF8) {
        name = "Impressora Recep\xC3\xA7\xC3\xA3o";
    } else if (::GetACP() == 1252) {
        name = "Impressora Recep\xE7\xE3o";
    } else {
        GTEST_SKIP() << "the process code page is " << ::GetACP() << ", neither UTF-8 nor the Western 1252";
    }
    EXPECT_EQ(tavrelonim::platform::WidenFromCodePage(name), L"Impressora Recep\u00e7\u00e3o");
    EXPECT_EQ(tavrelonim::platform::NarrowToCodePage(tavrelonim::platform::WidenFromCodePage(name)), name);
    EXPECT_EQ(tavrelonim::platform::NarrowToCodePage(tavrelonim::platform::WidenFromCodePage("")), "");
}

class UnicodeNames : public Win32PlatformTest {
protected:
    void SetUp() override {
        if (!kCarriesTheManifest) {
            GTEST_SKIP() << "names outside the system's code page need the UTF-8 process code page";
        }
        Win32PlatformTest::SetUp();
    }
};

TEST_F(UnicodeNames, WrittenWideReadThroughTheBindingByteForByte) {
    for (const std::string& name : kUnicodeNames) {
        ASSERT_TRUE(::WriteProfileStringW(WideFromUtf8(kSection).c_str(), WideFromUtf8(name).c_str(),
                                          WideFromUtf8(name + ",wineps.drv,CUPS:" + name + ",15,45").c_str()));
        EXPECT_EQ(tavrelonim::platform::NarrowToCodePage(WideFromUtf8(name)), name);
        EXPECT_EQ(tavrelonim::platform::WidenFromCodePage(name), WideFromUtf8(name));
    }
    std::vector<std::string> listed;
    tavrelonim::printerlist::SplitKeyBlock(
        tavrelonim::printerlist::ReadWholeProfileString(platform, kSection, std::nullopt, 8192),
        [&listed](std::string_view name) { listed.emplace_back(name); });
    EXPECT_EQ(listed, kUnicodeNames);
    for (const std::string& name : kUnicodeNames) {
        EXPECT_EQ(tavrelonim::printerlist::ReadWholeProfileString(platform, kSection, name, 1024),
                  name + ",wineps.drv,CUPS:" + name + ",15,45");
    }
}

TEST_F(UnicodeNames, MultiByteKeyBlocksAndValuesPastTheFirstBufferAreReadWhole) {
    std::vector<std::string> written;
    for (int i = 0; i < 400; ++i) {  // about 11,000 bytes of key names
        written.push_back(kUnicodeNames[0] + " " + std::to_string(i));
        ::WriteProfileStringW(WideFromUtf8(kSection).c_str(), WideFromUtf8(written.back()).c_str(), L"d,p");
    }
    std::string value = "wineps.drv,CUPS:";
    for (int i = 0; i < 500; ++i) {
        value += "\xE6\x9D\xB1";  // three bytes a character: 1,500 of them past 1,024
    }
    value += ",15,45";
    ::WriteProfileStringW(WideFromUtf8(kSection).c_str(), WideFromUtf8(kUnicodeNames[2]).c_str(),
                          WideFromUtf8(value).c_str());
    written.push_back(kUnicodeNames[2]);
    const std::string block = tavrelonim::printerlist::ReadWholeProfileString(platform, kSection, std::nullopt, 8192);
    EXPECT_GT(block.size(), 8192U);
    std::vector<std::string> listed;
    tavrelonim::printerlist::SplitKeyBlock(block, [&listed](std::string_view name) { listed.emplace_back(name); });
    EXPECT_EQ(listed, written);
    EXPECT_EQ(tavrelonim::printerlist::ReadWholeProfileString(platform, kSection, kUnicodeNames[2], 1024), value);
}

TEST_F(UnicodeNames, TheDefaultPrinterIsReadWholeWhateverItsLength) {
    wchar_t former[4096] = {};
    ::GetProfileStringW(L"windows", L"Device", L"", former, 4096);
    // A character count is too small for a name of three-byte characters: read again, larger.
    std::string cjk;
    for (int i = 0; i < 90; ++i) {
        cjk += "\xE6\x9D\xB1";
    }
    for (const std::string& name : {kUnicodeNames[0], kUnicodeNames[3], cjk + kUnicodeNames[2]}) {
        ::WriteProfileStringW(L"windows", L"Device", WideFromUtf8(name + ",winspool,Ne00:").c_str());
        EXPECT_EQ(platform.GetDefaultPrinterA(), name);
    }
    ::WriteProfileStringW(L"windows", L"Device", former[0] != L'\0' ? former : nullptr);
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
HANDLE sending = nullptr;   // set as each broadcast starts going round
HANDLE released = nullptr;  // until set, a broadcast stays out

// A broadcast that stays out until the test lets it go: what the test sends meanwhile is sent
// while one is out, however fast or slow the machine.
void RecordOnceReleased(const BroadcastArguments& arguments) noexcept {
    ::SetEvent(sending);
    ::WaitForSingleObject(released, INFINITE);
    sentTexts.push_back(arguments.text);
}

// A worker that dies while sending, as one killed from outside would.
void EndTheWorker(const BroadcastArguments&) noexcept { ::ExitThread(1); }

}  // namespace

TEST(BackgroundBroadcastTest, OneOutOneDueCarryingTheLatestArguments) {
    sentTexts.clear();
    const tavrelonim::platform::UniqueHandle started(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    sending = started.get();
    const tavrelonim::platform::UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    released = release.get();
    BackgroundBroadcast broadcast(&RecordOnceReleased);
    ASSERT_TRUE(broadcast.Send(WM_WININICHANGE, 0, "first", SMTO_ABORTIFHUNG, 3000));
    ASSERT_EQ(::WaitForSingleObject(sending, 5000), WAIT_OBJECT_0);
    for (const char* text : {"second", "third"}) {  // while the first is out: one more, the latest
        ASSERT_TRUE(broadcast.Send(WM_WININICHANGE, 0, text, SMTO_ABORTIFHUNG, 3000));
    }
    ::SetEvent(released);
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

namespace {

// A program on the desktop that takes its time over a notice: its window holds each one for up
// to a second, unless let go sooner.
struct SlowListener {
    UINT message = ::RegisterWindowMessageW(L"Tavrelonim.Test.SlowNotice");
    tavrelonim::platform::UniqueHandle ready{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    tavrelonim::platform::UniqueHandle letGo{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> handled{false};
    std::atomic<bool> made{false};
    DWORD thread = 0;
};
SlowListener* slowListener = nullptr;

LRESULT CALLBACK SlowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (slowListener != nullptr && message == slowListener->message) {
        ::WaitForSingleObject(slowListener->letGo.get(), 1000);
        slowListener->handled = true;
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TEST(BackgroundBroadcastTest, TheNoticeWaitsOnASlowWindowNoLongerThanItsBound) {
    SlowListener listener;
    slowListener = &listener;
    std::thread program([&] {
        listener.thread = ::GetCurrentThreadId();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &SlowProcedure;
        windowClass.lpszClassName = L"TavrelonimTestSlowListener";
        ::RegisterClassW(&windowClass);
        const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                              nullptr, nullptr, nullptr);
        listener.made = window != nullptr;
        ::SetEvent(listener.ready.get());
        for (MSG message; window != nullptr && ::GetMessageW(&message, nullptr, 0, 0) > 0;) {
            ::DispatchMessageW(&message);
        }
        if (window != nullptr) {
            ::DestroyWindow(window);
        }
    });
    ASSERT_EQ(::WaitForSingleObject(listener.ready.get(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(listener.made.load());
    tavrelonim::platform::SendBroadcastNow({listener.message, 0, "windows", SMTO_ABORTIFHUNG, 150});
    // Back within its bound, while the slow window still holds the notice.
    EXPECT_FALSE(listener.handled.load());
    ::SetEvent(listener.letGo.get());
    ::PostThreadMessageW(listener.thread, WM_QUIT, 0, 0);
    program.join();
    slowListener = nullptr;
}
