// The script runner against a recording device.
#include "runner.h"

#include <gtest/gtest.h>

#include <functional>

#include "fake_device.h"

namespace ce::host {
namespace {

using test::FakeDevice;
using Events = std::vector<std::string>;

Script Load(const std::string& text) {
    Script script;
    std::string error;
    EXPECT_TRUE(ParseScript(text, "s.txt", script, error)) << error;
    return script;
}

TEST(Runner, PointerCommandsResolveTheirTargets) {
    FakeDevice d;
    d.texts["OK"] = {40, 50};
    d.controls[1001] = {7, 8};
    ScriptResult r =
        RunScript(Load("tap 1 2\ntap \"OK\"\ndbltap #1001\nhold 3 4 250\npress 5 6\nmove 7 8\nrelease 9 9\n"), d);
    EXPECT_EQ(r.status, 0) << r.message;
    EXPECT_TRUE(r.quitProgram);
    EXPECT_EQ(d.Events(), (Events{"down 1,2", "up 1,2", "down 40,50", "up 40,50", "down 7,8", "up 7,8", "down 7,8",
                                  "up 7,8", "down 3,4", "up 3,4", "down 5,6", "move 7,8", "up 9,9"}));
    EXPECT_EQ(d.waits, (std::vector<long>{250}));  // hold keeps the stylus down for its time
    EXPECT_EQ(d.idleWaits, 7);                     // every command waits for idle first
}

TEST(Runner, KeysPressModifiersAroundTheKey) {
    FakeDevice d;
    ScriptResult r = RunScript(Load("key CTRL+ALT+F4\ntype \"aB\"\n"), d);
    EXPECT_EQ(r.status, 0) << r.message;
    EXPECT_EQ(d.Events(), (Events{"key 17 down m2 c0", "key 18 down m6 c0", "key 115 down m6 c0", "key 115 up m6 c0",
                                  "key 18 up m2 c0", "key 17 up m0 c0", "key 65 down m0 c97", "key 65 up m0 c0",
                                  "key 16 down m1 c0", "key 66 down m1 c66", "key 66 up m1 c0", "key 16 up m0 c0"}));
}

TEST(Runner, WaitPollsUntilTheTextComesAndGoes) {
    FakeDevice d;
    d.texts["Saved"] = {1, 1};
    d.appearAfter["Saved"] = 3;
    d.goneAfter["Saved"] = 5;
    ScriptResult r = RunScript(Load("wait \"Saved\"\nwait-gone \"Saved\"\n"), d);
    EXPECT_EQ(r.status, 0) << r.message;
    EXPECT_EQ(d.lookups["Saved"], 6);
}

// A step that cannot be done ends the run with 1 and a message naming its
// line; nothing of it reaches the device.
TEST(Runner, AFailingStepEndsTheRunNamingItsLine) {
    struct Case {
        std::function<void(FakeDevice&)> prepare;
        const char* script;
        std::string message;
        Events events = {};
    };
    const Case cases[] = {
        {[](FakeDevice&) {}, "idle\n\ntap \"Cancel\"\ntap 1 1\n", "s.txt:3: \"Cancel\" is not visible"},
        {[](FakeDevice&) {}, "tap #5\n", "s.txt:1: no control #5 in the active window"},
        {[](FakeDevice& d) {  // a label that lets touches through
             d.texts["Brightness"] = {5, 6};
             d.passes[{5, 6}] = "it lets touches through; the control nearest to it is #1012";
         },
         "tap \"Brightness\"\n",
         "s.txt:1: \"Brightness\" is shown where a touch does not reach it: it lets touches through; the control "
         "nearest to it is #1012"},
        {[](FakeDevice&) {}, "idle\nwait \"Never\" 0\n", "s.txt:2: \"Never\" not visible after 0 ms"},
        {[](FakeDevice& d) {
             d.texts["Stays"] = {1, 1};
         },
         "wait-gone \"Stays\" 0\n", "s.txt:1: \"Stays\" still visible after 0 ms"},
        {[](FakeDevice& d) { d.endAfterEvents = 2; },  // the tap closes the program
         "tap 1 1\n# then\nkey ENTER\nidle\n", "s.txt:3: the program ended before this step: key ENTER",
         Events{"down 1,1", "up 1,1"}},
        {[](FakeDevice& d) {
             d.texts["x"] = {1, 1};
             d.ended = true;
         },
         "wait \"y\"\n", "s.txt:1: the program ended before this step: wait \"y\""},
        {[](FakeDevice&) {}, "wait-exit 10\n", "s.txt:1: the program did not end within 10 ms"},
        {[](FakeDevice& d) { d.idle = false; }, "\ntap 1 1\n",
         "s.txt:2: the device did not become idle within 10000 ms"},
        {[](FakeDevice&) {}, "dump /nonexistent/dir/d.json\n",
         "s.txt:1: /nonexistent/dir/d.json: cannot write the dump"},
    };
    for (const Case& c : cases) {
        FakeDevice d;
        c.prepare(d);
        ScriptResult r = RunScript(Load(c.script), d);
        EXPECT_EQ(r.status, 1) << c.script;
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(d.Events(), c.events) << c.script;
    }
}

TEST(Runner, ExitStatusOfTheLastStep) {
    FakeDevice running;
    ScriptResult r = RunScript(Load("idle\n"), running);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.quitProgram);

    FakeDevice ends;
    ends.endAfterEvents = 2;
    ends.status = 3;
    r = RunScript(Load("tap 1 1\nwait-exit\n"), ends);
    EXPECT_EQ(r.status, 3) << r.message;
    EXPECT_FALSE(r.quitProgram);
    EXPECT_EQ(ends.waits.back(), 5000);

    FakeDevice empty;
    r = RunScript(Load("# nothing\n"), empty);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.quitProgram);
}

TEST(Runner, ScreenshotAndDumpWriteTheirFiles) {
    FakeDevice d;
    RunnerOptions o;
    std::vector<std::string> written;
    o.screenshot = [&](const std::string& file, std::string&) {
        written.push_back("png " + file);
        return true;
    };
    o.writeFile = [&](const std::string& file, const std::string& text, std::string&) {
        written.push_back(file + " " + text);
        return true;
    };
    ScriptResult r = RunScript(Load("screenshot a.png\ndump b.json\n"), d, o);
    EXPECT_EQ(r.status, 0) << r.message;
    EXPECT_EQ(written, (std::vector<std::string>{"png a.png", "b.json {\"dump\":1}"}));

    o.screenshot = [](const std::string& file, std::string& error) {
        error = file + ": disk full";
        return false;
    };
    r = RunScript(Load("idle\nscreenshot c.png\n"), d, o);
    EXPECT_EQ(r.message, "s.txt:2: c.png: disk full");
}

}  // namespace
}  // namespace ce::host
