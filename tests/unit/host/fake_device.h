// A Device that records what the runner and the front ends do to it.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "device.h"

namespace ce::host::test {

class FakeDevice : public Device {
public:
    void InjectPointer(PointerKind kind, int x, int y, uint32_t) override {
        const char* k = kind == PointerKind::Down ? "down" : kind == PointerKind::Move ? "move" : "up";
        Record(std::string(k) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    void InjectKey(unsigned vk, bool down, unsigned modifiers, char16_t ch) override {
        Record("key " + std::to_string(vk) + (down ? " down" : " up") + " m" + std::to_string(modifiers) + " c" +
               std::to_string(static_cast<unsigned>(ch)));
    }
    bool WaitIdle(Millis) override {
        std::lock_guard lock(mutex);
        ++idleWaits;
        return idle;
    }
    std::optional<ScreenPoint> FindText(const std::string& text) override {
        std::lock_guard lock(mutex);
        ++lookups[text];
        auto it = texts.find(text);
        if (it == texts.end()) return std::nullopt;
        if (auto after = appearAfter.find(text); after != appearAfter.end() && lookups[text] <= after->second)
            return std::nullopt;
        if (auto gone = goneAfter.find(text); gone != goneAfter.end() && lookups[text] > gone->second)
            return std::nullopt;
        return it->second;
    }
    std::optional<ScreenPoint> FindControl(int id) override {
        std::lock_guard lock(mutex);
        auto it = controls.find(id);
        if (it == controls.end()) return std::nullopt;
        return it->second;
    }
    std::string TouchPassesAt(ScreenPoint p) override {
        std::lock_guard lock(mutex);
        auto it = passes.find({p.x, p.y});
        return it == passes.end() ? "" : it->second;
    }
    bool ProgramEnded() override {
        std::lock_guard lock(mutex);
        return ended;
    }
    bool WaitExit(Millis timeout) override {
        std::lock_guard lock(mutex);
        waits.push_back(timeout.count());
        return ended;
    }
    int ExitStatus() override { return status; }
    std::string DumpJson() override { return "{\"dump\":1}"; }
    void RequestQuit() override {
        Record("quit");
        std::lock_guard lock(mutex);
        ended = endOnQuit || ended;
    }

    BacklightView Backlight() override {
        std::lock_guard lock(mutex);
        return light;
    }

    void Record(const std::string& what) {
        std::lock_guard lock(mutex);
        events.push_back(what);
        if (endAfterEvents > 0 && static_cast<int>(events.size()) >= endAfterEvents) ended = true;
    }
    std::vector<std::string> Events() {
        std::lock_guard lock(mutex);
        return events;
    }

    std::mutex mutex;
    std::vector<std::string> events;
    std::map<std::string, ScreenPoint> texts;
    std::map<std::string, int> appearAfter;  // visible from this many lookups on
    std::map<std::string, int> goneAfter;
    std::map<std::string, int> lookups;
    std::map<int, ScreenPoint> controls;
    std::map<std::pair<int, int>, std::string> passes;  // TouchPassesAt
    std::vector<long> waits;
    bool idle = true;
    int idleWaits = 0;
    bool ended = false;
    bool endOnQuit = false;
    int endAfterEvents = 0;
    int status = 0;
    BacklightView light;
};

}  // namespace ce::host::test
