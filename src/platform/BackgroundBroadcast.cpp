#include "platform/BackgroundBroadcast.h"

#include <array>
#include <stdexcept>
#include <utility>

#include "platform/NoticeCoalescing.h"

namespace tavrelonim::platform {

namespace {

// Holds a slim reader/writer lock exclusively for one scope.
class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) noexcept : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    ~ExclusiveLock() { ::ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK& lock_;
};

UniqueHandle NewEvent(bool manualReset, bool signalled) {
    UniqueHandle event(::CreateEventW(nullptr, manualReset ? TRUE : FALSE, signalled ? TRUE : FALSE, nullptr));
    if (event == nullptr) {
        throw std::runtime_error("an event could not be created");
    }
    return event;
}

}  // namespace

void SendBroadcastNow(const BroadcastArguments& arguments) noexcept {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, arguments.message, arguments.wParam,
                          reinterpret_cast<LPARAM>(arguments.text.c_str()), arguments.flags,
                          arguments.timeoutMilliseconds, &result);
}

// What the window's thread and the worker share; the worker keeps it alive for as long as it runs.
struct BackgroundBroadcast::Shared {
    explicit Shared(BroadcastSender senderToUse) : sender(senderToUse) {}

    BroadcastSender sender;
    SRWLOCK lock = SRWLOCK_INIT;
    NoticeCoalescing coalescing;   // under lock
    BroadcastArguments arguments;  // under lock: the latest asked for
    bool fresh = false;            // under lock: arguments not yet taken by the worker
    bool ending = false;           // under lock
    UniqueHandle wake = NewEvent(false, false);
    UniqueHandle idle = NewEvent(true, true);  // set while none is out or due
};

namespace {

// Nothing in here can throw: the arguments are moved, never copied, so no allocation can fail and
// end the worker with its broadcast still marked out.
DWORD WINAPI SendBroadcasts(LPVOID parameter) noexcept {
    // The worker's own reference to what it shares, handed over at its start.
    const std::unique_ptr<std::shared_ptr<BackgroundBroadcast::Shared>> handedOver(
        static_cast<std::shared_ptr<BackgroundBroadcast::Shared>*>(parameter));
    BackgroundBroadcast::Shared& shared = **handedOver;
    // The latest arguments taken; a due broadcast whose arguments were taken with the one before
    // (both asked for before the worker woke) goes out with them again.
    BroadcastArguments arguments;
    for (;;) {
        ::WaitForSingleObject(shared.wake.get(), INFINITE);
        for (bool again = true; again;) {
            {
                const ExclusiveLock lock(shared.lock);
                if (shared.coalescing.Idle()) {
                    if (shared.ending) {
                        return 0;
                    }
                    break;
                }
                if (shared.fresh) {
                    arguments = std::move(shared.arguments);
                    shared.fresh = false;
                }
            }
            shared.sender(arguments);
            const ExclusiveLock lock(shared.lock);
            again = shared.coalescing.Ended();
            if (!again) {
                ::SetEvent(shared.idle.get());
            }
        }
    }
}

}  // namespace

BackgroundBroadcast::BackgroundBroadcast(BroadcastSender sender) : shared_(std::make_shared<Shared>(sender)) {}

BackgroundBroadcast::~BackgroundBroadcast() {
    if (worker_ == nullptr || WorkerGone()) {
        return;
    }
    const bool finished = Finish(kFinishMilliseconds);
    {
        const ExclusiveLock lock(shared_->lock);
        shared_->ending = true;
    }
    ::SetEvent(shared_->wake.get());
    if (finished) {
        ::WaitForSingleObject(worker_.get(), kFinishMilliseconds);
    }
}

bool BackgroundBroadcast::WorkerGone() const noexcept {
    return ::WaitForSingleObject(worker_.get(), 0) != WAIT_TIMEOUT;
}

bool BackgroundBroadcast::Send(std::uint32_t message, std::uintptr_t wParam, const std::string& textArgument,
                               std::uint32_t flags, std::uint32_t timeoutMilliseconds) {
    if (worker_ == nullptr) {
        auto handedOver = std::make_unique<std::shared_ptr<Shared>>(shared_);
        worker_.reset(::CreateThread(nullptr, 0, &SendBroadcasts, handedOver.get(), 0, nullptr));
        if (worker_ == nullptr) {
            return false;
        }
        static_cast<void>(handedOver.release());  // the worker owns it now
    } else if (WorkerGone()) {
        return false;  // what it left out or due can no longer go; this one the caller sends
    }
    BroadcastArguments arguments{message, wParam, textArgument, flags, timeoutMilliseconds};
    const ExclusiveLock lock(shared_->lock);
    shared_->arguments = std::move(arguments);
    shared_->fresh = true;
    if (shared_->coalescing.Wanted()) {
        ::ResetEvent(shared_->idle.get());
        ::SetEvent(shared_->wake.get());
    }
    return true;
}

bool BackgroundBroadcast::Finish(DWORD milliseconds) noexcept {
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    const std::array<HANDLE, 2> ends{shared_->idle.get(), worker_.get()};
    const DWORD handles = ends[1] != nullptr ? 2 : 1;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        // The broadcast reaches this thread's own windows too: answer it while waiting.
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(handles, ends.data(), left, QS_SENDMESSAGE, 0);
        if (woken < WAIT_OBJECT_0 + handles) {
            return true;
        }
        if (woken != WAIT_OBJECT_0 + handles) {
            return false;
        }
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace tavrelonim::platform
