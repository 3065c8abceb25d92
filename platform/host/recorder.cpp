// The recorder.
#include "recorder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ce_kernel.h"
#include "script.h"

namespace ce::host {

namespace {

std::string Coordinates(ScreenPoint p) {
    return std::to_string(p.x) + " " + std::to_string(p.y);
}

bool IsModifierKey(unsigned vk) {
    return vk == 0x10 || vk == 0x11 || vk == 0x12;
}

}  // namespace

bool Recorder::Start(std::string& error) {
    std::lock_guard lock(mutex_);
    lines_ = {"# recorded"};
    std::ofstream out(file_, std::ios::binary | std::ios::trunc);
    out << "# recorded\n";
    if (!out) {
        error = file_ + ": cannot write the recording";
        return false;
    }
    return true;
}

std::vector<std::string> Recorder::Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

void Recorder::Add(std::string line) {
    typing_ = false;
    lines_.push_back(std::move(line));
}

void Recorder::InjectPointer(PointerKind kind, int x, int y, uint32_t time) {
    const ScreenPoint p{x, y};
    std::unique_lock lock(mutex_);
    if (kind == PointerKind::Down) {
        if (!haveCaptions_) captions_ = device_.Captions(), haveCaptions_ = true;
        down_ = true;
        downAt_ = p;
        downTime_ = Clock::now();
        dragging_ = false;
        moves_.clear();
        target_ = device_.TargetAt(p);  // before the touch changes what is there
        if (target_.empty()) target_ = Coordinates(p);
        lock.unlock();
        device_.InjectPointer(kind, x, y, time);
        return;
    }
    if (kind == PointerKind::Move) {
        if (down_ && (dragging_ || std::abs(x - downAt_.x) + std::abs(y - downAt_.y) >= kSlop)) {
            dragging_ = true;
            moves_.push_back("move " + Coordinates(p));
        }
        lock.unlock();
        device_.InjectPointer(kind, x, y, time);
        return;
    }
    lock.unlock();
    device_.InjectPointer(kind, x, y, time);
    lock.lock();
    if (!down_) return;  // a lift without a touch (the touch began before recording)
    down_ = false;
    auto now = Clock::now();
    if (dragging_ || std::abs(x - downAt_.x) + std::abs(y - downAt_.y) >= kSlop) {
        // A drag replays where it happened.
        Add("press " + Coordinates(downAt_));
        for (std::string& m : moves_) Add(std::move(m));
        Add("release " + Coordinates(p));
        lastTap_.clear();
    } else if (auto held = std::chrono::duration_cast<Millis>(now - downTime_); held >= kHoldTime) {
        Add("hold " + target_ + " " + std::to_string(held.count() / 10 * 10));
        lastTap_.clear();
    } else if (!lastTap_.empty() && lastTap_ == target_ && !lines_.empty() && lines_.back() == "tap " + target_ &&
               now - lastTapTime_ < kDoubleTapTime) {
        lines_.back() = "dbltap " + target_;
        lastTap_.clear();
    } else {
        Add("tap " + target_);
        lastTap_ = target_;
        lastTapTime_ = now;
    }
    lock.unlock();
    AfterAction();
}

void Recorder::InjectKey(unsigned vk, bool down, unsigned modifiers, char16_t ch) {
    std::unique_lock lock(mutex_);
    if (!haveCaptions_ && down) captions_ = device_.Captions(), haveCaptions_ = true;
    lock.unlock();
    device_.InjectKey(vk, down, modifiers, ch);
    if (!down || IsModifierKey(vk)) return;
    lock.lock();
    KeyStroke typed = KeyForChar(ch);
    if (ch >= 0x20 && ch != 0x7F && ch < 0xD800 && typed.vk == vk && typed.modifiers == modifiers) {
        std::u16string one(1, ch);
        typed_ = typing_ ? typed_ + ToUtf8(one) : ToUtf8(one);
        if (typing_) lines_.pop_back();
        lines_.push_back("type " + Quoted(typed_));
        typing_ = true;
    } else if (std::string name = KeyName(vk, modifiers); !name.empty()) {
        Add("key " + name);
    } else {
        Add("# a key the scripts cannot name: " + std::to_string(vk));
    }
    lastTap_.clear();
    bool keepTyping = typing_;
    lock.unlock();
    AfterAction();
    lock.lock();
    typing_ = keepTyping && !lines_.empty() && lines_.back().starts_with("type ");
}

void Recorder::AfterAction() {
    device_.WaitIdle(Millis{2000});
    std::vector<std::string> now = device_.Captions();
    std::lock_guard lock(mutex_);
    for (const std::string& c : now)
        if (std::find(captions_.begin(), captions_.end(), c) == captions_.end()) Add("wait " + Quoted(c));
    // A caption that went but whose text still shows elsewhere (a label of
    // the window below) gets no wait-gone: it would never end.
    for (const std::string& c : captions_)
        if (std::find(now.begin(), now.end(), c) == now.end() && !device_.FindText(c)) Add("wait-gone " + Quoted(c));
    captions_ = std::move(now);
    Write();
}

// Written beside and renamed over the recording, so that a kill while it is
// written leaves the previous recording whole.
void Recorder::Write() {
    const std::string part = file_ + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines_) out << line << "\n";
        if (!out.flush()) return;
    }
    std::rename(part.c_str(), file_.c_str());
}

}  // namespace ce::host
