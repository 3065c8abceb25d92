// Message queues: one per thread, made on first use.
//
// What a thread retrieves, in this order: messages sent to it by other
// threads (handled at once, inside GetMessage/PeekMessage), posted messages
// (including stylus and key input), WM_QUIT, WM_PAINT for its windows that
// need painting (parents before children, top of the z-order first), and
// last WM_TIMER for its due timers.
//
// A cross-thread SendMessage queues the message at the target thread and
// waits; while it waits it handles messages sent to its own thread, so two
// threads sending to each other never deadlock.
#include <algorithm>
#include <atomic>

#include "user_internal.h"

namespace ce::user {

namespace {

struct QueueHolder {
    std::shared_ptr<Queue> q;
    ~QueueHolder() {
        if (!q) return;
        Lock l(S().mu);
        q->alive = false;
        S().queues.erase(q->threadId);
        // Senders waiting on this thread get 0.
        for (auto& sm : q->sent) {
            sm->done = true;
            if (sm->sender) sm->sender->cv.notify_all();
        }
        q->sent.clear();
        q->timers.clear();
    }
};

thread_local QueueHolder t_queue;

using Clock = std::chrono::steady_clock;

bool InRange(UINT msg, UINT lo, UINT hi) {
    return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi);
}

bool HwndMatches(HWND msgHwnd, HWND filter) {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return msgHwnd == nullptr;
    if (msgHwnd == filter) return true;
    Window* f = Find(filter);
    Window* w = Find(msgHwnd);
    return f && w && IsDescendant(f, w);
}

LRESULT CallProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC proc;
    {
        Lock l(S().mu);
        Window* w = Find(h);
        if (!w) return 0;
        proc = w->proc;
    }
    return proc ? proc(h, msg, wp, lp) : DefWindowProc(h, msg, wp, lp);
}

// Handles the oldest message sent to `me` by another thread.
void HandleOneSentLocked(Queue* me, Lock& l) {
    auto sm = me->sent.front();
    me->sent.pop_front();
    me->inSend++;
    l.unlock();
    LRESULT r = CallProc(sm->hwnd, sm->msg, sm->wParam, sm->lParam);
    l.lock();
    me->inSend--;
    sm->result = r;
    sm->done = true;
    if (sm->sender) sm->sender->cv.notify_all();
}

// Windows of thread `q` that need painting, in tree order.
Window* FindPaintLocked(Window* w, Queue* q, HWND filter) {
    if (!(w->style & WS_VISIBLE)) return nullptr;
    if (w->queue.get() == q && !Empty(w->update) && HwndMatches(w->hwnd, filter)) return w;
    for (auto* c : w->children)
        if (Window* r = FindPaintLocked(c, q, filter)) return r;
    return nullptr;
}

void DrawPendingFramesLocked(Window* w, Queue* q) {
    if (!(w->style & WS_VISIBLE)) return;
    // A window about to paint draws its frame in BeginPaint, after its
    // parent's paint; drawn now, the paint of the window (or of a parent that
    // does not clip its children) would cover it again.
    if (w->queue.get() == q && !Empty(w->update)) return;
    if (w->framePending && w->queue.get() == q) DrawFrameLocked(w);
    for (auto* c : w->children) DrawPendingFramesLocked(c, q);
}

bool PostLocked(Queue* q, const MSG& m, WCHAR ch = 0);

// Whether raw input could become a message in [lo, hi]: a stylus message,
// or what a caption button sends (WM_COMMAND, WM_CLOSE); keys become key
// messages.
bool MayCookInto(const PostedMessage& p, UINT lo, UINT hi) {
    if (lo == 0 && hi == 0) return true;
    if (p.raw == RawInput::Key) return InRange(p.msg.message, lo, hi);
    return (lo <= WM_LBUTTONDBLCLK && hi >= WM_MOUSEFIRST) || InRange(WM_COMMAND, lo, hi) || InRange(WM_CLOSE, lo, hi);
}

// Turns the raw input `seq` of `me` into the message it becomes, in its
// place in the queue, or drops it. The lock is released meanwhile (hit tests
// and activation call window procedures), so the queue is searched again.
void CookLocked(Queue* me, Lock& l, uint64_t seq) {
    auto find = [&] {
        return std::find_if(me->posted.begin(), me->posted.end(), [seq](const auto& p) { return p.seq == seq; });
    };
    auto it = find();
    it->cooking = true;
    const RawInput raw = it->raw;
    const MSG in = it->msg;
    l.unlock();
    MSG out{};
    const bool got = CookInput(raw, in, out);
    l.lock();
    it = find();
    if (it == me->posted.end()) return;
    const WCHAR ch = it->ch;
    Window* w = got ? Find(out.hwnd) : nullptr;
    if (!w || w->queue.get() != me) {
        me->posted.erase(it);
        // A window of another thread: that thread handles it as it is.
        if (w) PostLocked(w->queue.get(), out, ch);
        return;
    }
    it->msg = out;
    it->raw = RawInput::None;
    it->cooking = false;
}

bool RetrieveLocked(Queue* me, Lock& l, MSG* out, HWND filter, UINT lo, UINT hi, bool remove) {
    while (!me->sent.empty()) HandleOneSentLocked(me, l);
    for (auto it = me->posted.begin(); it != me->posted.end(); ++it) {
        // Raw input is cooked in its turn, the oldest first (what is being
        // cooked further up this thread's stack is passed over). The lock is
        // released meanwhile, so the search starts again from the front.
        while (it != me->posted.end() && it->raw != RawInput::None && !it->cooking && MayCookInto(*it, lo, hi)) {
            CookLocked(me, l, it->seq);
            it = me->posted.begin();
        }
        if (it == me->posted.end()) break;
        if (it->raw != RawInput::None) continue;
        if (!InRange(it->msg.message, lo, hi) || !HwndMatches(it->msg.hwnd, filter)) continue;
        *out = it->msg;
        me->last = it->msg;
        me->lastCh = it->ch;
        if (remove && it->msg.message >= WM_KEYDOWN && it->msg.message <= WM_SYSKEYUP) {
            const bool down = it->msg.message == WM_KEYDOWN || it->msg.message == WM_SYSKEYDOWN;
            if (down || it->msg.message == WM_KEYUP || it->msg.message == WM_SYSKEYUP) {
                UINT vk = it->msg.wParam & 0xFF;
                me->keys[vk] = down;
                // The left and right keys also count as the generic one.
                if (vk == VK_LSHIFT || vk == VK_RSHIFT) me->keys[VK_SHIFT] = down;
                if (vk == VK_LCONTROL || vk == VK_RCONTROL) me->keys[VK_CONTROL] = down;
                if (vk == VK_LMENU || vk == VK_RMENU) me->keys[VK_MENU] = down;
            }
        }
        if (remove) me->posted.erase(it);
        return true;
    }
    if (me->quit && InRange(WM_QUIT, lo, hi)) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(me->quitCode), 0, GetTickCount(), {}};
        if (remove) me->quit = false;
        return true;
    }
    DrawPendingFramesLocked(S().desktop.get(), me);
    if (InRange(WM_PAINT, lo, hi)) {
        if (Window* w = FindPaintLocked(S().desktop.get(), me, filter)) {
            *out = MSG{w->hwnd, WM_PAINT, 0, 0, GetTickCount(), {}};
            return true;
        }
    }
    if (InRange(WM_TIMER, lo, hi)) {
        auto now = Clock::now();
        for (auto& t : me->timers) {
            if (t.due > now || !HwndMatches(t.hwnd, filter)) continue;
            *out = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), GetTickCount(), {}};
            if (remove) t.due = now + std::chrono::milliseconds(t.elapse);
            me->last = *out;
            return true;
        }
    }
    return false;
}

bool PostLocked(Queue* q, const MSG& m, WCHAR ch) {
    if (!q || !q->alive) return false;
    q->posted.push_back({m, ch});
    q->cv.notify_all();
    return true;
}

}  // namespace

std::shared_ptr<Queue> QueueOf(DWORD threadId, bool create) {
    auto it = S().queues.find(threadId);
    if (it != S().queues.end()) return it->second;
    if (!create) return nullptr;
    return CurrentQueue();
}

std::shared_ptr<Queue> CurrentQueue() {
    if (!t_queue.q) {
        t_queue.q = std::make_shared<Queue>();
        t_queue.q->threadId = GetCurrentThreadId();
        S().queues[t_queue.q->threadId] = t_queue.q;
    }
    return t_queue.q;
}

void NotifyQueue(Queue* q) {
    if (q) q->cv.notify_all();
}

void ClearTimersLocked(HWND h) {
    for (auto& [id, q] : S().queues) {
        auto& t = q->timers;
        t.erase(std::remove_if(t.begin(), t.end(), [h](const Timer& x) { return x.hwnd == h; }), t.end());
    }
}

LRESULT SendInternal(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Lock l(S().mu);
    Window* w = Find(h);
    if (!w) return 0;
    auto target = w->queue;
    auto me = CurrentQueue();
    if (target == me || !target) {
        l.unlock();
        return CallProc(h, msg, wp, lp);
    }
    if (!target->alive) return 0;
    auto sm = std::make_shared<SentMessage>(SentMessage{h, msg, wp, lp, 0, false, me});
    target->sent.push_back(sm);
    target->cv.notify_all();
    while (!sm->done) {
        if (!me->sent.empty()) {
            HandleOneSentLocked(me.get(), l);
            continue;
        }
        me->cv.wait(l);
    }
    return sm->result;
}

void PostInputLocked(HWND h, const MSG& m, WCHAR ch) {
    Window* w = Find(h);
    if (w) PostLocked(w->queue.get(), m, ch);
}

void PostRawLocked(Queue* q, RawInput raw, const MSG& m, WCHAR ch) {
    static uint64_t nextSeq = 0;
    if (!q || !q->alive) return;
    PostedMessage p{m, ch, raw, ++nextSeq};
    q->posted.push_back(p);
    q->cv.notify_all();
}

namespace {
std::atomic<bool> g_loopStarted{false};
}

bool MessageLoopStarted() {
    return g_loopStarted;
}

bool IsIdle() {
    Lock l(S().mu);
    for (auto& [id, q] : S().queues) {
        if (!q->alive) continue;
        if (!q->posted.empty() || !q->sent.empty() || q->inSend || q->handling) return false;
        if (FindPaintLocked(S().desktop.get(), q.get(), nullptr)) return false;
    }
    return true;
}

}  // namespace ce::user

using namespace ce::user;

LRESULT SendMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    {
        Lock l(S().mu);
        if (!FindOrFail(h)) return 0;
    }
    return SendInternal(h, msg, wp, lp);
}

BOOL SendNotifyMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w) return FALSE;
    auto target = w->queue;
    if (target == CurrentQueue()) {
        l.unlock();
        SendInternal(h, msg, wp, lp);
        return TRUE;
    }
    if (!target || !target->alive) return FALSE;
    target->sent.push_back(std::make_shared<SentMessage>(SentMessage{h, msg, wp, lp, 0, false, nullptr}));
    target->cv.notify_all();
    return TRUE;
}

BOOL PostMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (!h) return PostThreadMessage(GetCurrentThreadId(), msg, wp, lp);
    Lock l(S().mu);
    MSG m{h, msg, wp, lp, GetTickCount(), {}};
    if (h == HWND_BROADCAST) {
        for (auto* w : S().desktop->children) {
            m.hwnd = w->hwnd;
            PostLocked(w->queue.get(), m);
        }
        return TRUE;
    }
    Window* w = FindOrFail(h);
    if (!w || w == S().desktop.get()) return FALSE;
    return PostLocked(w->queue.get(), m) ? TRUE : FALSE;
}

BOOL PostThreadMessage(DWORD tid, UINT msg, WPARAM wp, LPARAM lp) {
    Lock l(S().mu);
    auto q = tid == GetCurrentThreadId() ? CurrentQueue() : QueueOf(tid, false);
    if (!q || !PostLocked(q.get(), MSG{nullptr, msg, wp, lp, GetTickCount(), {}})) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return TRUE;
}

void PostQuitMessage(int code) {
    Lock l(S().mu);
    auto q = CurrentQueue();
    q->quit = true;
    q->quitCode = code;
    q->cv.notify_all();
}

BOOL GetMessage(LPMSG out, HWND filter, UINT lo, UINT hi) {
    Lock l(S().mu);
    g_loopStarted = true;
    if (!out || (filter && filter != reinterpret_cast<HWND>(-1) && !FindOrFail(filter))) return -1;
    auto me = CurrentQueue();
    me->handling = false;
    for (;;) {
        if (RetrieveLocked(me.get(), l, out, filter, lo, hi, true)) {
            me->handling = out->message != WM_QUIT;
            return out->message != WM_QUIT;
        }
        if (!me->sent.empty()) continue;
        auto next = Clock::time_point::max();
        for (auto& t : me->timers) next = std::min(next, t.due);
        if (next == Clock::time_point::max())
            me->cv.wait(l);
        else
            me->cv.wait_until(l, next);
    }
}

BOOL PeekMessage(LPMSG out, HWND filter, UINT lo, UINT hi, UINT flags) {
    Lock l(S().mu);
    g_loopStarted = true;
    if (!out) return FALSE;
    auto me = CurrentQueue();
    me->handling = false;
    bool got = RetrieveLocked(me.get(), l, out, filter, lo, hi, (flags & PM_REMOVE) != 0);
    if (got && (flags & PM_REMOVE)) me->handling = true;
    return got ? TRUE : FALSE;
}

BOOL WaitMessage() {
    Lock l(S().mu);
    g_loopStarted = true;
    auto me = CurrentQueue();
    me->handling = false;
    MSG m;
    while (!RetrieveLocked(me.get(), l, &m, nullptr, 0, 0, false)) {
        auto next = Clock::time_point::max();
        for (auto& t : me->timers) next = std::min(next, t.due);
        if (next == Clock::time_point::max())
            me->cv.wait(l);
        else
            me->cv.wait_until(l, next);
    }
    return TRUE;
}

// Characters of keys when the input did not say: letters (lower case),
// digits, and the control keys that make characters.
static WCHAR CharOfKey(UINT vk) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<WCHAR>(vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') return static_cast<WCHAR>(vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<WCHAR>('0' + vk - VK_NUMPAD0);
    switch (vk) {
        case VK_BACK:
            return 8;
        case VK_TAB:
            return 9;
        case VK_RETURN:
            return 13;
        case VK_ESCAPE:
            return 27;
        case VK_SPACE:
            return ' ';
        default:
            return 0;
    }
}

// A key down becomes WM_CHAR, a system key down (typed with Alt) WM_SYSCHAR.
BOOL TranslateMessage(const MSG* m) {
    if (!m) return FALSE;
    if (m->message == WM_KEYUP || m->message == WM_SYSKEYUP) return TRUE;
    if (m->message != WM_KEYDOWN && m->message != WM_SYSKEYDOWN) return FALSE;
    const UINT charMsg = m->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    Lock l(S().mu);
    auto me = CurrentQueue();
    const MSG& last = me->last;
    bool same = last.hwnd == m->hwnd && last.message == m->message && last.wParam == m->wParam &&
                last.lParam == m->lParam && last.time == m->time;
    WCHAR ch = same && me->lastCh ? me->lastCh : CharOfKey(static_cast<UINT>(m->wParam));
    if (!ch) return TRUE;
    // The character comes next, before anything posted later.
    me->posted.push_front({MSG{m->hwnd, charMsg, ch, m->lParam, m->time, m->pt}, 0});
    me->cv.notify_all();
    return TRUE;
}

LRESULT DispatchMessage(const MSG* m) {
    if (!m) return 0;
    if (m->message == WM_TIMER && m->lParam) {
        reinterpret_cast<TIMERPROC>(m->lParam)(m->hwnd, WM_TIMER, m->wParam, GetTickCount());
        return 0;
    }
    if (!m->hwnd) return 0;
    {
        Lock l(S().mu);
        if (!FindOrFail(m->hwnd)) return 0;
    }
    return SendInternal(m->hwnd, m->message, m->wParam, m->lParam);
}

BOOL InSendMessage() {
    Lock l(S().mu);
    return CurrentQueue()->inSend > 0 ? TRUE : FALSE;
}

LONG GetMessageTime() {
    Lock l(S().mu);
    return static_cast<LONG>(CurrentQueue()->last.time);
}

DWORD GetMessagePos() {
    Lock l(S().mu);
    auto& p = CurrentQueue()->last.pt;
    return static_cast<DWORD>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

// ---- Timers ----------------------------------------------------------------------------------

UINT_PTR SetTimer(HWND h, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    Lock l(S().mu);
    std::shared_ptr<Queue> q;
    if (h) {
        Window* w = FindOrFail(h);
        if (!w) return 0;
        q = w->queue;
        if (q != CurrentQueue()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    } else {
        q = CurrentQueue();
        // Thread timers get an id of their own.
        static UINT_PTR nextId = 0x7F00;
        id = ++nextId;
    }
    auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(elapse);
    for (auto& t : q->timers) {
        if (t.hwnd == h && t.id == id) {
            t.elapse = elapse;
            t.proc = proc;
            t.due = due;
            return h ? (id ? id : 1) : id;
        }
    }
    q->timers.push_back(Timer{h, id, elapse, proc, due});
    q->cv.notify_all();
    return h ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND h, UINT_PTR id) {
    Lock l(S().mu);
    if (h && !FindOrFail(h)) return FALSE;
    auto& t = CurrentQueue()->timers;
    auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.hwnd == h && x.id == id; });
    if (it == t.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    t.erase(it);
    return TRUE;
}
