// Sends the settings-change broadcast from a worker thread of its own, so that the caller's
// window keeps answering while slow windows elsewhere take their time over it. The broadcast is
// still sent, not posted: it waits for every window that answers, in turn, up to its bound.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/KernelHandles.h"

namespace tavrelonim::platform {

// One broadcast, as SendMessageTimeoutA sends it to HWND_BROADCAST with the text's address.
struct BroadcastArguments {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::string text;
    std::uint32_t flags = 0;
    std::uint32_t timeoutMilliseconds = 0;
};
// Sends one broadcast and returns once it has gone round. It cannot fail in a way the worker
// could act on, so it reports nothing.
using BroadcastSender = void (*)(const BroadcastArguments& arguments) noexcept;
void SendBroadcastNow(const BroadcastArguments& arguments) noexcept;

class BackgroundBroadcast {
public:
    // The longest the program stays after its window has gone, for a broadcast still out or due.
    static constexpr DWORD kFinishMilliseconds = 10'000;

    explicit BackgroundBroadcast(BroadcastSender sender = &SendBroadcastNow);
    BackgroundBroadcast(const BackgroundBroadcast&) = delete;
    BackgroundBroadcast& operator=(const BackgroundBroadcast&) = delete;
    // Waits, answering messages sent to this thread, until no broadcast is out or due, or for
    // kFinishMilliseconds at most; a worker still sending then ends with the process.
    ~BackgroundBroadcast();

    // Returns at once. While one broadcast is out, later ones fold into one more that goes out
    // when it ends, with the latest arguments. False when there is no worker, because none could
    // be started or it has gone: the caller then sends it itself.
    [[nodiscard]] bool Send(std::uint32_t message, std::uintptr_t wParam, const std::string& textArgument,
                            std::uint32_t flags, std::uint32_t timeoutMilliseconds);

    // Waits as the destructor does, for at most the given time; true when none is out or due, or
    // the worker has gone and so none can go out any more.
    bool Finish(DWORD milliseconds) noexcept;

    struct Shared;

private:
    [[nodiscard]] bool WorkerGone() const noexcept;

    std::shared_ptr<Shared> shared_;
    UniqueHandle worker_;
};

}  // namespace tavrelonim::platform
