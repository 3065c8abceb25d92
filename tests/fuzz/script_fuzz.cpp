// The automation script reader: any text is refused naming its line, or read
// into steps each of which reads back the same from its own source line.
#include <string>

#include "ce_kernel.h"
#include "fuzzcheck.h"
#include "script.h"

using namespace ce::host;

namespace {

bool SameTarget(const Target& a, const Target& b) {
    return a.kind == b.kind && a.x == b.x && a.y == b.y && a.text == b.text && a.id == b.id;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Script script;
    std::string error;
    if (!ParseScript(text, "fuzz.script", script, error)) {
        FUZZ_CHECK(error.rfind("fuzz.script:", 0) == 0);
        return 0;
    }
    int line = 0;
    for (const Step& step : script.steps) {
        FUZZ_CHECK(step.line > line);
        line = step.line;
        Script one;
        FUZZ_CHECK(ParseScript(step.source, "line", one, error));
        FUZZ_CHECK(one.steps.size() == 1);
        const Step& again = one.steps[0];
        FUZZ_CHECK(again.command == step.command && SameTarget(again.target, step.target));
        FUZZ_CHECK(again.key.vk == step.key.vk && again.key.modifiers == step.key.modifiers &&
                   again.key.ch == step.key.ch);
        FUZZ_CHECK(again.text == step.text && again.ms == step.ms);
    }
    // Keys and text to type, as the runner turns them into keystrokes.
    KeyStroke key;
    ParseKey(text, key);
    for (char16_t c : ce::FromUtf8(text)) KeyForChar(c);
    return 0;
}
