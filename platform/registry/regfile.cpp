#include "regfile.h"

#include <optional>

#include "ce_kernel.h"
#include "store.h"

namespace ce::regtext {

using reg::KeyId;
using reg::Store;

namespace {

constexpr uintptr_t kFirstRoot = 0x80000000u;

int RootIndex(HKEY root) {
    auto v = reinterpret_cast<uintptr_t>(root);
    return v >= kFirstRoot && v < kFirstRoot + 4 ? static_cast<int>(v - kFirstRoot) : -1;
}

std::vector<std::u16string_view> Components(std::u16string_view sub) {
    std::vector<std::u16string_view> names;
    while (!sub.empty()) {
        size_t cut = sub.find(u'\\');
        names.push_back(sub.substr(0, cut));
        sub = cut == sub.npos ? std::u16string_view() : sub.substr(cut + 1);
    }
    return names;
}

bool HasNul(std::u16string_view s) {
    return s.find(u'\0') != s.npos;
}

// Why `key` cannot be a key of the registry, or nothing.
std::optional<std::string> CheckKeyPath(const KeyPath& key) {
    if (RootIndex(key.root) < 0) return "unknown root key";
    std::vector<std::u16string_view> names = Components(key.sub);
    for (std::u16string_view name : names) {
        if (name.empty()) return "empty key name in " + ToUtf8(FullPath(key));
        if (HasNul(name)) return "key name with a NUL character in " + ToUtf8(FullPath(key));
        if (name.size() > kMaxKeyName)
            return "key name longer than " + std::to_string(kMaxKeyName) + " characters in " + ToUtf8(FullPath(key));
    }
    if (names.size() > reg::kMaxKeyDepth)
        return "key nested deeper than " + std::to_string(reg::kMaxKeyDepth) +
               " levels: " + ToUtf8(FullPath(key)).substr(0, 80) + "...";
    if (key.sub.size() > reg::kMaxKeyPathLength)
        return "key path longer than " + std::to_string(reg::kMaxKeyPathLength) +
               " characters: " + ToUtf8(FullPath(key)).substr(0, 80) + "...";
    return std::nullopt;
}

// The stored (folded) path of a key below its root.
std::string StorePath(int root, const std::vector<std::u16string_view>& names) {
    std::string path = reg::RootPath(root);
    for (std::u16string_view name : names) reg::AppendToPath(path, name);
    return path;
}

// Makes the commits durable. The change is made either way; a checkpoint
// that cannot run now (another process reading) runs at a later commit.
void FlushQuietly(Store& store) {
    try {
        store.Flush();
    } catch (const reg::DbError&) {
    }
}

Value ToValue(reg::SavedValue&& v) {
    Value out;
    out.name = std::move(v.name);
    out.type = v.type;
    out.data = std::move(v.data);
    return out;
}

// Writes a tree read from the store as export text, depth first, without
// recursion. Fails on a name that the text cannot carry.
bool FormatTree(reg::SavedTree& tree, std::u16string rootPath, std::u16string& text, std::string& error) {
    std::vector<std::vector<uint32_t>> children(tree.keys.size());
    for (uint32_t i = 1; i < tree.keys.size(); ++i) children[tree.keys[i].parent].push_back(i);
    std::vector<std::pair<uint32_t, std::u16string>> stack;
    stack.emplace_back(0, std::move(rootPath));
    while (!stack.empty()) {
        auto [index, path] = std::move(stack.back());
        stack.pop_back();
        reg::SavedKey& key = tree.keys[index];
        text += FormatKeyLine(path);
        text += u'\n';
        for (reg::SavedValue& v : key.values) {
            if (HasNul(v.name)) {
                error = "cannot export " + ToUtf8(path) + ": a value name holds a NUL character";
                return false;
            }
            text += FormatValue(ToValue(std::move(v)));
            text += u'\n';
        }
        text += u'\n';
        // Pushed last to first, so that the first sub-key comes out next.
        for (auto it = children[index].rbegin(); it != children[index].rend(); ++it) {
            const std::u16string& name = tree.keys[*it].name;
            if (name.empty() || HasNul(name) || name.find(u'\\') != name.npos) {
                error = "cannot export a sub-key of " + ToUtf8(path) + ": its name holds a NUL character";
                return false;
            }
            stack.emplace_back(*it, path + u'\\' + name);
        }
    }
    return true;
}

}  // namespace

std::string DescribeError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return "it does not exist";
        case ERROR_KEY_DELETED:
            return "the key was deleted meanwhile";
        case ERROR_ACCESS_DENIED:
            return "access denied";
        case ERROR_INVALID_PARAMETER:
            return "a name or size is not allowed";
        case ERROR_BAD_PATHNAME:
            return "the key path is malformed";
        case ERROR_FILENAME_EXCED_RANGE:
            return "the key would be nested too deeply or its path be too long";
        case ERROR_NOT_ENOUGH_MEMORY:
            return "out of memory";
        case ERROR_REGISTRY_CORRUPT:
            return "the registry store or file is damaged";
        case ERROR_BADDB:
            return "not a registry save file of this format";
        case ERROR_CANTREAD:
            return "the file cannot be read";
        case ERROR_CANTOPEN:
            return "the registry store cannot be opened";
        case ERROR_CANTWRITE:
            return "the registry store cannot be written (is the disk full?)";
        case ERROR_REGISTRY_IO_FAILED:
            return "the registry store failed to read or write";
        default:
            return "Win32 error " + std::to_string(error);
    }
}

Outcome ExportKey(const KeyPath& key, std::u16string& text, std::string& error) {
    if (auto why = CheckKeyPath(key)) {
        error = *why;
        return Outcome::Failed;
    }
    int root = RootIndex(key.root);
    std::vector<std::u16string_view> names = Components(key.sub);
    std::u16string spelled(RootName(key.root));
    reg::SavedTree tree;
    bool found = true;
    DWORD err = reg::WithStore([&](Store& store) -> DWORD {
        // The path as the registry spells it, then the tree below it.
        KeyId id = Store::RootId(root);
        std::string path = reg::RootPath(root);
        for (std::u16string_view name : names) {
            reg::AppendToPath(path, name);
            bool baseExists = false;
            KeyId next = store.FindKey(id, path, baseExists);
            std::u16string stored;
            if (!next || !store.KeyName(next, stored)) {
                found = false;
                return ERROR_SUCCESS;
            }
            spelled += u'\\';
            spelled += stored;
            id = next;
        }
        found = store.ReadTree(id, path, tree);
        return ERROR_SUCCESS;
    });
    if (err) {
        error = "cannot read " + ToUtf8(FullPath(key)) + ": " + DescribeError(err);
        return Outcome::Failed;
    }
    if (!found) {
        error = "key not found: " + ToUtf8(FullPath(key));
        return Outcome::NotFound;
    }
    std::u16string out;
    if (!FormatTree(tree, std::move(spelled), out, error)) return Outcome::Failed;
    text += out;
    return Outcome::Ok;
}

Outcome ApplyOperations(const std::vector<Operation>& ops, ParseError& error) {
    auto fail = [&](int line, std::string message) {
        error.line = line;
        error.message = std::move(message);
        return Outcome::Failed;
    };
    for (const Operation& op : ops) {
        if (auto why = CheckKeyPath(op.key)) return fail(op.line, *why);
        if (op.kind == Operation::DeleteKey && op.key.IsRoot())
            return fail(op.line, "a whole root key is never deleted: " + ToUtf8(FullPath(op.key)));
        if (op.kind == Operation::SetValue || op.kind == Operation::DeleteValue) {
            if (HasNul(op.value.name)) return fail(op.line, "value name with a NUL character");
            std::string why;
            if (!CheckValueLimits(op.value, why)) return fail(op.line, why);
        }
    }
    const Operation* failed = nullptr;
    std::string what;
    DWORD err = reg::WithStore([&](Store& store) -> DWORD {
        reg::WriteTxn txn(store);
        // The key the last operations worked on.
        const KeyPath* currentKey = nullptr;
        KeyId current = 0;
        auto keyFor = [&](const Operation& op) -> DWORD {
            if (currentKey && currentKey->root == op.key.root && EqualsNoCase(currentKey->sub, op.key.sub))
                return ERROR_SUCCESS;
            int root = RootIndex(op.key.root);
            std::vector<std::u16string_view> names = Components(op.key.sub);
            bool created = false;
            if (DWORD e = store.CreateKey(Store::RootId(root), reg::RootPath(root), names, current, created)) return e;
            currentKey = &op.key;
            return ERROR_SUCCESS;
        };
        for (const Operation& op : ops) {
            failed = &op;
            DWORD e = ERROR_SUCCESS;
            switch (op.kind) {
                case Operation::CreateKey:
                    what = "cannot create " + ToUtf8(FullPath(op.key));
                    e = keyFor(op);
                    break;
                case Operation::DeleteKey: {
                    what = "cannot delete " + ToUtf8(FullPath(op.key));
                    int root = RootIndex(op.key.root);
                    currentKey = nullptr;
                    e = store.DeleteKey(Store::RootId(root), StorePath(root, Components(op.key.sub)));
                    if (e == ERROR_FILE_NOT_FOUND) e = ERROR_SUCCESS;  // already gone
                    break;
                }
                case Operation::SetValue:
                    what = "cannot set value \"" + ToUtf8(op.value.name) + "\" in " + ToUtf8(FullPath(op.key));
                    e = keyFor(op);
                    if (!e)
                        e = store.SetValue(current, op.value.name, op.value.type, op.value.data.data(),
                                           static_cast<DWORD>(op.value.data.size()));
                    break;
                case Operation::DeleteValue:
                    what = "cannot delete value \"" + ToUtf8(op.value.name) + "\" in " + ToUtf8(FullPath(op.key));
                    e = keyFor(op);
                    if (!e) e = store.DeleteValue(current, op.value.name);
                    if (e == ERROR_FILE_NOT_FOUND) e = ERROR_SUCCESS;
                    break;
            }
            if (e) return e;
        }
        failed = nullptr;
        txn.Commit();
        FlushQuietly(store);
        return ERROR_SUCCESS;
    });
    if (!err) return Outcome::Ok;
    if (failed) return fail(failed->line, what + ": " + DescribeError(err));
    return fail(0, "cannot import: " + DescribeError(err));
}

Outcome DeleteKeyTree(const KeyPath& key, std::string& error) {
    if (auto why = CheckKeyPath(key)) {
        error = *why;
        return Outcome::Failed;
    }
    if (key.IsRoot()) {
        error = "a whole root key is never deleted: " + ToUtf8(FullPath(key));
        return Outcome::Failed;
    }
    int root = RootIndex(key.root);
    DWORD err = reg::WithStore([&](Store& store) -> DWORD {
        DWORD e = store.DeleteKey(Store::RootId(root), StorePath(root, Components(key.sub)));
        if (!e) FlushQuietly(store);
        return e;
    });
    if (err == ERROR_FILE_NOT_FOUND) {
        error = "key not found: " + ToUtf8(FullPath(key));
        return Outcome::NotFound;
    }
    if (err) {
        error = "cannot delete " + ToUtf8(FullPath(key)) + ": " + DescribeError(err);
        return Outcome::Failed;
    }
    return Outcome::Ok;
}

}  // namespace ce::regtext
