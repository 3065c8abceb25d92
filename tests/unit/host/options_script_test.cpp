// The command line and the automation language.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "commands.h"
#include "options.h"
#include "script.h"

namespace ce::host {
namespace {

ParsedOptions Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "/usr/bin/halvo");
    return ParseOptions(static_cast<int>(args.size()), args.data());
}

TEST(Options, DefaultsAndEveryOption) {
    ParsedOptions none = Parse({});
    ASSERT_TRUE(none.ok());  // (the default screen is checked by the program's dump)
    EXPECT_FALSE(none.options.screenGiven);
    EXPECT_EQ(none.options.boot.deviceDir, "device");

    ParsedOptions all = Parse({"--device", "img", "--screen", "480x272", "--headless", "--script=s.txt", "--scale", "3",
                               "--storage-card", "/tmp/card", "--control", "/tmp/s", "--record=r.script"});
    ASSERT_TRUE(all.ok()) << all.error;
    EXPECT_EQ(all.options.boot.deviceDir, "img");
    EXPECT_EQ(all.options.width, 480);
    EXPECT_EQ(all.options.height, 272);
    EXPECT_TRUE(all.options.screenGiven);
    EXPECT_TRUE(all.options.headless);
    EXPECT_EQ(all.options.script, "s.txt");
    EXPECT_EQ(all.options.scale, 3);
    EXPECT_EQ(all.options.boot.storageCardHostDir, "/tmp/card");
    EXPECT_EQ(all.options.control, "/tmp/s");
    EXPECT_EQ(all.options.record, "r.script");
}

TEST(Options, BadCommandLinesGiveOneLineNamingTheProgram) {
    struct Case {
        std::vector<const char*> args;
        const char* mention;
    };
    const Case cases[] = {
        {{"--scale", "0"}, "--scale"},
        {{"--scale", "2x"}, "--scale"},
        {{"--scale"}, "--scale needs a value"},
        {{"--screen", "800"}, "--screen"},
        {{"--screen", "800x"}, "--screen"},
        {{"--screen", "8x480"}, "--screen"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"stray"}, "unexpected argument \"stray\""},
        {{"--device", "a", "--device", "b"}, "given twice"},
        {{"--headless=yes"}, "--headless"},
        {{"--script="}, "--script needs a value"},
    };
    for (const Case& c : cases) {
        ParsedOptions p = Parse(c.args);
        ASSERT_FALSE(p.ok()) << c.mention;
        EXPECT_TRUE(p.error.starts_with("halvo: ")) << p.error;
        EXPECT_NE(p.error.find(c.mention), std::string::npos) << p.error;
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

Script ParseOk(const std::string& text) {
    Script script;
    std::string error;
    EXPECT_TRUE(ParseScript(text, "t.script", script, error)) << error;
    return script;
}

std::string ParseError(const std::string& text) {
    Script script;
    std::string error;
    EXPECT_FALSE(ParseScript(text, "t.script", script, error)) << text;
    return error;
}

TEST(ScriptParser, TargetsTimesTextsEscapesAndComments) {
    Script s = ParseOk(
        "# a comment line\n"
        "\n"
        "tap 10 20   # trailing comment\n"
        "tap \"Say \\\"hi\\\" C:\\\\x\"\n"
        "dbltap #1001 # id then comment\n"
        "hold \"OK\" 600\n"
        "press 1 2\nmove 3 4\nrelease 5 6\n"
        "screenshot out/a#1.png\n");
    ASSERT_EQ(s.steps.size(), 8u);
    EXPECT_EQ(s.steps[0].line, 3);
    EXPECT_EQ(s.steps[0].target.kind, Target::Kind::Point);
    EXPECT_EQ(s.steps[0].target.x, 10);
    EXPECT_EQ(s.steps[0].target.y, 20);
    EXPECT_EQ(s.steps[1].target.kind, Target::Kind::Text);
    EXPECT_EQ(s.steps[1].target.text, "Say \"hi\" C:\\x");
    EXPECT_EQ(s.steps[2].command->name, "dbltap");
    EXPECT_EQ(s.steps[2].target.kind, Target::Kind::Control);
    EXPECT_EQ(s.steps[2].target.id, 1001);
    EXPECT_EQ(s.steps[3].ms, 600);
    EXPECT_EQ(s.steps[6].command->name, "release");
    EXPECT_EQ(s.steps[7].text, "out/a#1.png");  // '#' inside a word is no comment

    s = ParseOk(
        "wait \"Brightness\"\nwait-gone \"x\" 250\nidle\nsleep 0\nwait-exit\nwait-exit 9000\n"
        "type \"ab C\"\ndump state.JSON\r\ndump -\ntype \"\"\n");
    ASSERT_EQ(s.steps.size(), 10u);
    EXPECT_EQ(s.steps[0].ms, -1);
    EXPECT_EQ(s.steps[0].text, "Brightness");
    EXPECT_EQ(s.steps[1].command->name, "wait-gone");
    EXPECT_EQ(s.steps[1].ms, 250);
    EXPECT_EQ(s.steps[4].ms, -1);
    EXPECT_EQ(s.steps[5].ms, 9000);
    EXPECT_EQ(s.steps[6].text, "ab C");
    EXPECT_EQ(s.steps[7].text, "state.JSON");
    EXPECT_EQ(s.steps[8].text, "-");  // the output
    EXPECT_EQ(s.steps[9].text, "");
}

// Every entry of the command table parses from its own usage line, with
// sample arguments put in for the placeholders.
TEST(ScriptParser, EveryCommandOfTheTableParsesFromItsUsage) {
    const std::pair<std::string_view, std::string_view> samples[] = {
        {"TARGET", "#7"},      {"[MS]", "5"},          {"MS", "5"}, {"KEY", "ENTER"}, {"\"TEXT\"", "\"x\""},
        {"FILE.png", "a.png"}, {"FILE.json", "a.json"}};
    std::set<std::string_view> names;
    for (const CommandSpec& command : Commands()) {
        EXPECT_TRUE(names.insert(command.name).second) << "twice: " << command.name;
        EXPECT_EQ(FindCommand(command.name), &command);
        std::string line = CommandUsage(command);
        for (auto [placeholder, sample] : samples)
            for (size_t at; (at = line.find(placeholder)) != std::string::npos;)
                line.replace(at, placeholder.size(), sample);
        Script s = ParseOk(line);
        ASSERT_EQ(s.steps.size(), 1u) << line;
        EXPECT_EQ(s.steps[0].command, &command) << line;
        EXPECT_NE(ParseError(line + " extra").find("unexpected \"extra\""), std::string::npos) << line;
    }
}

TEST(ScriptParser, ErrorsNameTheLineOrTheMissingFile) {
    struct Case {
        const char* text;
        const char* expect;
    };
    const Case cases[] = {
        {"idle\nfly 1 2\n", "t.script:2: unknown command \"fly\""},
        {"tap 10\n", "t.script:1: bad target"},
        {"tap\n", "t.script:1: missing target"},
        {"tap \"open\n", "t.script:1: unterminated"},
        {"tap \"a\"b\n", "t.script:1: text after closing quote"},
        {"tap #12x\n", "bad control id"},
        {"tap -1 5\n", "bad target"},
        {"tap 1 2 3\n", "unexpected \"3\""},
        {"hold 1 2\n", "missing time"},
        {"sleep soon\n", "bad time \"soon\""},
        {"key CTRL+\n", "unknown key \"CTRL+\""},
        {"key F13\n", "unknown key"},
        {"key\n", "missing key"},
        {"type hello\n", "expected quoted"},
        {"wait \"\"\n", "empty text"},
        {"\n\n\nscreenshot shot.bmp\n", "t.script:4: file name must end in .png"},
        {"dump .json\n", "file name must end in .json"},
        {"idle now\n", "unexpected \"now\""},
        {"\"tap\" 1 2\n", "unknown command"},
    };
    for (const Case& c : cases) {
        std::string error = ParseError(c.text);
        EXPECT_NE(error.find(c.expect), std::string::npos) << c.text << " -> " << error;
    }
    Script s;
    std::string error;
    EXPECT_FALSE(LoadScript("/nonexistent/dir/s.txt", s, error));
    EXPECT_NE(error.find("/nonexistent/dir/s.txt"), std::string::npos);
}

TEST(ScriptParser, KeysWithModifiersAndTheKeysOfTypedCharacters) {
    KeyStroke k;
    ASSERT_TRUE(ParseKey("ENTER", k));
    EXPECT_EQ(k.vk, 0x0Du);
    EXPECT_EQ(k.ch, u'\r');
    ASSERT_TRUE(ParseKey("ALT+/", k));
    EXPECT_EQ(k.vk, 0xBFu);
    EXPECT_EQ(k.modifiers, unsigned{kAlt});
    ASSERT_TRUE(ParseKey("CTRL+SHIFT+F12", k));
    EXPECT_EQ(k.vk, 0x7Bu);
    EXPECT_EQ(k.modifiers, unsigned{kCtrl | kShift});
    ASSERT_TRUE(ParseKey("F1", k));
    EXPECT_EQ(k.vk, 0x70u);
    ASSERT_TRUE(ParseKey("CTRL+C", k));
    EXPECT_EQ(k.vk, unsigned{'C'});
    EXPECT_EQ(k.ch, char16_t{3});
    ASSERT_TRUE(ParseKey("SHIFT+1", k));
    EXPECT_EQ(k.ch, u'!');  // as the window's keyboard makes it
    ASSERT_TRUE(ParseKey("shift+tab", k));
    EXPECT_EQ(k.vk, 0x09u);
    EXPECT_EQ(k.modifiers, unsigned{kShift});
    for (const char* bad : {"F0", "F01", "ALT+", "ENTERR", "", "CTRL+ALT"}) EXPECT_FALSE(ParseKey(bad, k)) << bad;

    // The key that types a character.
    EXPECT_EQ(KeyForChar(u'a').vk, unsigned{'A'});
    EXPECT_EQ(KeyForChar(u'A').modifiers, unsigned{kShift});
    EXPECT_EQ(KeyForChar(u'\n').ch, u'\r');
    EXPECT_EQ(KeyForChar(u'\u00E9').vk, 0u);  // no key of its own; the character still arrives
}

}  // namespace
}  // namespace ce::host
