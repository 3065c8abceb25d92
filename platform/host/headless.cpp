// The headless front end and the host's wake-up signal.
#include <cstdlib>

#include "frontend.h"

namespace ce::host {

void HostSignal::Notify() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
    }
    cv_.notify_all();
}

void HostSignal::WaitUntil(const std::function<bool()>& done, Millis period) {
    std::unique_lock lock(mutex_);
    while (true) {
        uint64_t seen = generation_;
        lock.unlock();
        if (done()) return;
        lock.lock();
        cv_.wait_for(lock, period, [&] { return generation_ != seen; });
    }
}

void RunHeadless(HostSignal& signal, const std::function<bool()>& done) {
    signal.WaitUntil(done, Millis(100));
}

bool DisplayAvailable() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("SDL_VIDEODRIVER") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace ce::host
