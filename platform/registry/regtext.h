// Registry text files (.reg): key paths, the export format and its parser,
// shared by cereg and the registry editor.
//
// Everything here is pure text work on UTF-16 strings; nothing touches the
// registry. The export format is "Windows Registry Editor Version 5.00":
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Drivers\BuiltIn]
//   "Name"="text"
//   @=dword:0000012c
//   "Data"=hex:01,02,ff
//
// The parser also reads "REGEDIT4" files, whose hex(2)/hex(7) data hold
// 8-bit characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "windows.h"

namespace ce::regtext {

// The registry's limits: longer names and data are refused before anything
// is changed.
inline constexpr size_t kMaxKeyName = 255;         // one component of a key path
inline constexpr size_t kMaxValueName = 16383;     // UTF-16 units
inline constexpr size_t kMaxValueData = 1u << 20;  // bytes

// ---- Key paths -------------------------------------------------------------

struct KeyPath {
    HKEY root = nullptr;
    std::u16string sub;  // "Drivers\BuiltIn"; empty for the root itself

    bool IsRoot() const { return sub.empty(); }
};

// The full name of a root ("HKEY_LOCAL_MACHINE"); empty for an unknown root.
std::u16string_view RootName(HKEY root);
// "HKEY_LOCAL_MACHINE\Drivers\BuiltIn"
std::u16string FullPath(const KeyPath& key);
// Reads "HKEY_LOCAL_MACHINE\Drivers\BuiltIn" or "HKLM\Drivers\BuiltIn"; root
// names are case-insensitive. Trailing backslashes are ignored; an empty
// component ("HKLM\\\\a"), one over kMaxKeyName or an unknown root fails with a
// reason in `error`.
bool ParseKeyPath(std::u16string_view text, KeyPath& key, std::string& error);

// ---- Values ----------------------------------------------------------------

struct Value {
    std::u16string name;  // empty: the default value "@"
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    bool operator==(const Value&) const = default;
};

// Data helpers for the string types (UTF-16LE bytes).
std::vector<BYTE> StringData(std::u16string_view text);  // text + NUL
std::vector<BYTE> MultiStringData(const std::vector<std::u16string>& items);
std::u16string UnitsOf(const std::vector<BYTE>& data);  // UTF-16LE units, odd byte dropped

// ---- Formatting ------------------------------------------------------------

inline constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
inline constexpr std::u16string_view kHeader4 = u"REGEDIT4";
// Hex lines are wrapped so that no line is longer than this (with its '\').
inline constexpr size_t kWrapColumn = 80;

// "[HKEY_LOCAL_MACHINE\Drivers]"
std::u16string FormatKeyLine(std::u16string_view fullPath);
// One value entry, e.g. "\"Name\"=dword:0000012c". Long hex data spans several
// lines joined with "\\\n  ". Chooses the shortest form that carries the data
// exactly; never ends with a newline.
std::u16string FormatValue(const Value& value);
// Lowercase hex bytes, comma-separated, no wrapping ("01,02,ff").
std::string HexList(const std::vector<BYTE>& data);

// Encodes export text (lines separated by '\n') for output: UTF-8 with '\n'
// line ends, or UTF-16LE with a byte-order mark and "\r\n" line ends. UTF-8
// cannot carry unpaired surrogates (possible in registry names): fails then.
bool EncodeText(std::u16string_view text, bool utf16, std::string& bytes, std::string& error);

// ---- Parsing ---------------------------------------------------------------

struct Operation {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = CreateKey;
    KeyPath key;
    Value value;  // SetValue: name, type, data; DeleteValue: name
    int line = 0;
};

struct ParseError {
    int line = 0;  // 0: not tied to a line (the file as a whole)
    std::string message;
};

// Decodes the bytes of a registry file: UTF-16LE (with byte-order mark, or
// recognised by its zero high bytes), UTF-8 with or without a byte-order
// mark; a REGEDIT4 file that is not UTF-8 is read as Windows-1252.
bool DecodeFile(std::string_view bytes, std::u16string& text, ParseError& error);

// Parses a whole registry file into the operations it asks for, in file
// order. Nothing is returned for a malformed file: the first problem is
// reported with its line number.
bool ParseRegText(std::u16string_view text, std::vector<Operation>& ops, ParseError& error);
bool ParseRegFile(std::string_view bytes, std::vector<Operation>& ops, ParseError& error);

// A reason when a value's name or data exceeds the registry's limits.
bool CheckValueLimits(const Value& value, std::string& error);

// Hex bytes as given on the command line: "01,02,ff", "0102ff" or empty.
bool ParseHexBytes(std::string_view text, std::vector<BYTE>& data);

}  // namespace ce::regtext
