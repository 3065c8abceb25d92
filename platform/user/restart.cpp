// A restart of the device in place: the window system forgets the stopped
// program and starts empty for the next one.
#include "ce_user.h"
#include "user_internal.h"

namespace ce::user {

void ResetForRestart() {
    // The stopped program's threads may still hold pointers into its windows,
    // queues and classes (a thread waiting for a message, a worker in the
    // middle of a send): they stay allocated, unreachable from any handle.
    static auto& kept = *new std::vector<std::shared_ptr<void>>;
    {
        Lock l(S().mu);
        State& s = S();
        for (auto& [h, w] : s.windows) {
            w->destroyed = true;
            kept.push_back(w);
        }
        s.windows.clear();
        for (auto& [id, q] : s.queues) {
            q->alive = false;
            kept.push_back(q);
        }
        s.queues.clear();
        for (auto& [name, c] : s.classes) kept.push_back(c);
        s.classes.clear();
        if (s.desktop) s.desktop->children.clear();
        s.focus = s.active = s.capture = nullptr;
        s.lastDownHwnd = nullptr;
        s.lastDownTime = 0;
        s.buttonDown = false;
        s.frameTrack = FrameTrack{};
        s.dcs.clear();  // the DCs themselves draw nowhere visible any more
    }
    RepaintDesktop();
}

}  // namespace ce::user
