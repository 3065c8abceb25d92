// cerc: the resource compiler of the device's programs.
//
// Reads a resource script (the classic .rc syntax) and writes one C++ source
// that holds every resource in its Win32 binary form and registers the table
// with the run-time resource library (platform/res) at static-initialisation
// time. See emit.cpp for the generated code and the binary layouts.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace rc {

// Every error carries the place in the script (or header) it came from.
struct Error : std::runtime_error {
    Error(const std::string& file, int line, const std::string& what)
        : std::runtime_error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": error: " + what) {}
};

enum class Tok { Ident, Number, String, Punct, End };

struct Token {
    Tok kind = Tok::End;
    std::string text;   // identifier, punctuation, or the decoded string (UTF-8)
    int64_t value = 0;  // numbers
    std::string file;
    int line = 0;
};

// Symbols from #define lines: name -> replacement text, with where it was defined.
struct Define {
    std::string text;
    std::string file;
    int line = 0;
};

// Turns a script into tokens. Preprocessor lines are handled here: #include
// of a header reads its #defines (everything else in a header is skipped),
// #define records a symbol, #if/#ifdef/#ifndef/#else/#endif select lines;
// other directives (#pragma, #undef, ...) are ignored.
class Lexer {
public:
    Lexer(std::vector<std::filesystem::path> includeDirs) : includeDirs_(std::move(includeDirs)) {}
    std::vector<Token> Run(const std::filesystem::path& script);
    std::map<std::string, Define>& defines() { return defines_; }
    const std::vector<std::filesystem::path>& included() const { return included_; }
    // Tokens of a piece of text (a #define's value), attributed to `file:line`.
    std::vector<Token> TokenizeText(const std::string& text, const std::string& file, int line);

private:
    void Process(const std::filesystem::path& path, bool headerOnly, std::vector<Token>* out, int depth);
    std::filesystem::path Resolve(const std::string& name, const std::filesystem::path& from, bool angled,
                                  const std::string& file, int line) const;

    std::vector<std::filesystem::path> includeDirs_;
    std::map<std::string, Define> defines_;
    std::vector<std::filesystem::path> included_;
};

// A resource's name or type: a 16-bit ordinal or a string (kept upper-case,
// as names are matched case-insensitively).
struct ResId {
    bool isName = false;
    uint16_t id = 0;
    std::u16string name;
};

struct Resource {
    ResId type;
    ResId name;
    std::vector<uint8_t> data;
    std::string what;  // for the comment in the generated code
};

struct Options {
    std::filesystem::path script;
    std::filesystem::path output;
    std::string module;
    bool main = true;
    std::vector<std::filesystem::path> includeDirs;
    std::filesystem::path depfile;
};

// Parses the tokens into resources. `deps` collects every file read.
std::vector<Resource> Parse(const std::vector<Token>& tokens, Lexer& lexer, const Options& options,
                            std::vector<std::filesystem::path>* deps);

// Built-in constants (window, control and virtual-key values).
std::optional<int64_t> BuiltinConstant(const std::string& name);

// Picture files (pictures.cpp). On failure `why` says what is wrong.
std::vector<uint8_t> ReadBinary(const std::filesystem::path& path);
std::optional<std::vector<uint8_t>> BitmapFileToDib(const std::vector<uint8_t>& file, std::string* why);
struct IconFileImage {
    std::array<uint8_t, 12> entry;  // width, height, colours, 0, planes, bit count, bytes
    std::vector<uint8_t> data;      // BITMAPINFOHEADER (height doubled), colours, XOR and AND bits
};
std::optional<std::vector<IconFileImage>> ReadIconFile(const std::vector<uint8_t>& file, std::string* why);

std::u16string Utf8To16(const std::string& s, const std::string& file, int line);

// Writes the generated C++ source.
std::string Emit(const std::vector<Resource>& resources, const Options& options);

}  // namespace rc
