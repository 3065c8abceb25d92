// The script runner against a recording device.
#include "runner.h"

#include <gtest/gtest.h>

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

TEST(Runner, MissingTargetsFailNamingTheLine) {
    FakeDevice d;
    ScriptResult r = RunScript(Load("idle\n\ntap \"Cancel\"\ntap 1 1\n"), d);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.message, "s.txt:3: \"Cancel\" is not visible");
    EXPECT_TRUE(d.Events().empty());

    FakeDevice d2;
    r = RunScript(Load("tap #5\n"), d2);
    EXPECT_EQ(r.message, "s.txt:1: no control #5 in the active window");

    FakeDevice d3;  // a label that lets touches through
    d3.texts["Brightness"] = {5, 6};
    d3.passes[{5, 6}] = "it lets touches through; the control nearest to it is #1012";
    r = RunScript(Load("tap \"Brightness\"\n"), d3);
    EXPECT_EQ(r.message,
              "s.txt:1: \"Brightness\" is shown where a touch does not reach it: it lets touches through; the control "
              "nearest to it is #1012");
    EXPECT_TRUE(d3.Events().empty());
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

TEST(Runner, WaitTimesOut) {
    FakeDevice d;
    ScriptResult r = RunScript(Load("idle\nwait \"Never\" 0\n"), d);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.message, "s.txt:2: \"Never\" not visible after 0 ms");

    FakeDevice d2;
    d2.texts["Stays"] = {1, 1};
    r = RunScript(Load("wait-gone \"Stays\" 0\n"), d2);
    EXPECT_EQ(r.message, "s.txt:1: \"Stays\" still visible after 0 ms");
}

TEST(Runner, ProgramEndingEarlyNamesTheFirstStepNotRun) {
    FakeDevice d;
    d.endAfterEvents = 2;  // the tap closes the program
    ScriptResult r = RunScript(Load("tap 1 1\n# then\nkey ENTER\nidle\n"), d);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.message, "s.txt:3: the program ended before this step: key ENTER");

    FakeDevice d2;
    d2.texts["x"] = {1, 1};
    d2.ended = true;
    r = RunScript(Load("wait \"y\"\n"), d2);
    EXPECT_EQ(r.message, "s.txt:1: the program ended before this step: wait \"y\"");
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

    FakeDevice hangs;
    r = RunScript(Load("wait-exit 10\n"), hangs);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.message, "s.txt:1: the program did not end within 10 ms");

    FakeDevice empty;
    r = RunScript(Load("# nothing\n"), empty);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.quitProgram);
}

TEST(Runner, BusyDeviceFailsTheStep) {
    FakeDevice d;
    d.idle = false;
    ScriptResult r = RunScript(Load("\ntap 1 1\n"), d);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.message, "s.txt:2: the device did not become idle within 10000 ms");
    EXPECT_TRUE(d.Events().empty());
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

    r = RunScript(Load("dump /nonexistent/dir/d.json\n"), d);
    EXPECT_EQ(r.message, "s.txt:1: /nonexistent/dir/d.json: cannot write the dump");
}

}  // namespace
}  // namespace ce::host
