// Recording: what reaches the device becomes a script that replays it.
#include "recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "fake_device.h"
#include "runner.h"
#include "script.h"
#include "testimage.h"

namespace ce::host {
namespace {

// A device whose open windows' captions the test sets.
struct WindowedDevice : test::FakeDevice {
    std::vector<std::string> Captions() override {
        std::lock_guard lock(mutex);
        return shown;
    }
    std::vector<std::string> shown;
};

TEST(Recorder, DragsTapsTypingAndKeysReplayAsTheyReachedTheDevice) {
    const auto dir = ce::test::MakeTempDir("recorder");
    const std::string file = (dir / "recorded.script").string();
    WindowedDevice live;
    live.shown = {"Panel"};
    Recorder r(live, file);
    std::string error;
    ASSERT_TRUE(r.Start(error)) << error;

    auto key = [&](unsigned vk, unsigned mods, char16_t ch) {
        r.InjectKey(vk, true, mods, ch);
        r.InjectKey(vk, false, mods, 0);
    };
    auto shifted = [&](unsigned vk, char16_t ch) {
        r.InjectKey(0x10, true, kShift, 0);
        key(vk, kShift, ch);
        r.InjectKey(0x10, false, 0, 0);
    };
    // A drag whose first move stays within the slop, then a tap that opens a window.
    r.InjectPointer(PointerKind::Down, 10, 10, 0);
    r.InjectPointer(PointerKind::Move, 12, 10, 0);
    r.InjectPointer(PointerKind::Move, 30, 10, 0);
    r.InjectPointer(PointerKind::Up, 40, 12, 0);
    live.shown = {"Panel", "Brightness"};
    r.InjectPointer(PointerKind::Down, 100, 50, 0);
    r.InjectPointer(PointerKind::Up, 101, 51, 0);
    // Typed characters, shifted ones included, are one type line; Enter
    // closes the window; a key without a name is kept as a comment.
    key('A', 0, u'a');
    shifted('B', u'B');
    shifted('1', u'!');
    shifted(0xBA, u':');
    live.shown = {"Panel"};
    key(0x0D, 0, u'\r');
    key(0x91, 0, 0);
    key('C', 0, u'c');

    const std::vector<std::string> expected = {"# recorded",
                                               "press 10 10",
                                               "move 30 10",
                                               "release 40 12",
                                               "tap 100 50",
                                               "wait \"Brightness\"",
                                               "type \"aB!:\"",
                                               "key ENTER",
                                               "wait-gone \"Brightness\"",
                                               "# a key the scripts cannot name: 145",
                                               "type \"c\""};
    EXPECT_EQ(r.Lines(), expected);
    Script script;
    ASSERT_TRUE(LoadScript(file, script, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(file + ".part"));

    // The replay gives the device the same keys, and the touches where they were.
    test::FakeDevice replayed;
    replayed.texts["Brightness"] = {0, 0};
    replayed.goneAfter["Brightness"] = 1;
    ScriptResult result = RunScript(script, replayed);
    EXPECT_EQ(result.status, 0) << result.message;
    std::vector<std::string> wanted = live.Events();
    std::erase(wanted, "move 12,10");  // within the slop
    std::erase(wanted, "up 101,51");   // the tap lifts where it touched
    std::erase_if(wanted, [](const std::string& e) { return e.starts_with("key 145 "); });
    std::vector<std::string> got = replayed.Events();
    std::erase(got, "up 100,50");
    EXPECT_EQ(got, wanted);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ce::host
