// Registry text files against the registry itself: export of a key with
// everything below it, the import of parsed operations, and the deletion of
// a key tree. Shared by cereg and the registry editor.
//
// Each call is one store transaction: an export reads one consistent picture
// of the tree, an import or a deletion lands whole or not at all. Trees are
// walked with explicit stacks, never by recursion, so depth costs no stack.
#pragma once

#include <string>
#include <vector>

#include "regtext.h"

namespace ce::regtext {

enum class Outcome {
    Ok,
    NotFound,  // the key (or a key on its path) does not exist
    Failed,    // anything else; the message says what
};

// Appends the key `key` with its values and, depth first in the registry's
// order, every key below it, in the export format (each key's block ends
// with a blank line). A key or value that cannot be read or written as text
// (a name holding NUL) fails the whole export with a message naming it;
// nothing is ever left out. `text` gets nothing on failure.
Outcome ExportKey(const KeyPath& key, std::u16string& text, std::string& error);

// Applies the operations of a parsed file in one transaction, then makes it
// durable. Everything is checked before anything changes: names (no NUL,
// within the length limits), key depth and path length, value limits, and no
// deletion of a whole root. On failure nothing is changed and `error` names
// the operation's line and the reason.
Outcome ApplyOperations(const std::vector<Operation>& ops, ParseError& error);

// Deletes `key` with everything below it in one transaction and makes it
// durable. NotFound when it does not exist; a root key is refused (Failed).
Outcome DeleteKeyTree(const KeyPath& key, std::string& error);

// A registry error in words ("the registry store is damaged").
std::string DescribeError(DWORD error);

}  // namespace ce::regtext
