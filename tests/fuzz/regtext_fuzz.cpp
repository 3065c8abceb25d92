// The .reg reader: any bytes are either refused as a whole, naming a line,
// or read into operations whose keys and values are within the registry's
// limits and survive being written out and read back.
#include <string>
#include <vector>

#include "fuzzcheck.h"
#include "regtext.h"

using namespace ce::regtext;

namespace {

// Writes one value under its key as a 5.00 file and reads it back.
void RoundTrip(const Operation& op) {
    std::u16string text(kHeader5);
    text += u"\n\n" + FormatKeyLine(FullPath(op.key)) + u"\n" + FormatValue(op.value) + u"\n";
    std::vector<Operation> back;
    ParseError error;
    FUZZ_CHECK(ParseRegText(text, back, error));
    FUZZ_CHECK(back.size() == 2);
    FUZZ_CHECK(back[0].kind == Operation::CreateKey);
    FUZZ_CHECK(back[0].key.root == op.key.root && back[0].key.sub == op.key.sub);
    FUZZ_CHECK(back[1].kind == Operation::SetValue);
    FUZZ_CHECK(back[1].value == op.value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<Operation> ops;
    ParseError error;
    if (!ParseRegFile(bytes, ops, error)) {
        FUZZ_CHECK(ops.empty());
        FUZZ_CHECK(!error.message.empty());
        FUZZ_CHECK(error.line >= 0 && size_t(error.line) <= size + 1);
    } else {
        int line = 0;
        for (const Operation& op : ops) {
            FUZZ_CHECK(op.line > line);
            line = op.line;
            FUZZ_CHECK(!RootName(op.key.root).empty());
            KeyPath again;
            std::string why;
            FUZZ_CHECK(ParseKeyPath(FullPath(op.key), again, why));
            FUZZ_CHECK(again.root == op.key.root && again.sub == op.key.sub);
            if (op.kind == Operation::SetValue) {
                FUZZ_CHECK(CheckValueLimits(op.value, why));
                RoundTrip(op);
            }
        }
    }
    // The command line's forms of key paths and hex bytes.
    KeyPath key;
    std::string why;
    std::u16string text(bytes.begin(), bytes.end());
    if (ParseKeyPath(text, key, why)) FUZZ_CHECK(!RootName(key.root).empty());
    std::vector<BYTE> hex;
    if (ParseHexBytes(bytes, hex)) FUZZ_CHECK(hex.size() <= (size + 1) / 2);
    return 0;
}
