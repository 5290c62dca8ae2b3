// When settings notices go out, if they may be held up by slow windows: at most one is out at a
// time and at most one more is due. A notice wanted while one is out becomes the due one (or is
// folded into it), which goes out when the one out ends and so announces every write made until
// then: each request is announced after its write, and none is lost.
#pragma once

namespace tavrelonim::platform {

class NoticeCoalescing {
public:
    // A write wants announcing. True when the caller must send a notice now (none was out).
    [[nodiscard]] bool Wanted() noexcept {
        if (out_) {
            due_ = true;
            return false;
        }
        out_ = true;
        return true;
    }

    // The notice out has ended. True when the caller must send the due one now.
    [[nodiscard]] bool Ended() noexcept {
        out_ = due_;
        due_ = false;
        return out_;
    }

    [[nodiscard]] bool Idle() const noexcept { return !out_; }

private:
    bool out_ = false;
    bool due_ = false;
};

}  // namespace tavrelonim::platform
