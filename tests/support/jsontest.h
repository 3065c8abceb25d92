// Reading back what the platform writes as JSON (dumps, the device log):
// tests compare members, never fragments of the text.
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace ce::test {

using Json = nlohmann::ordered_json;

// Every non-empty line parsed; a line that is not JSON fails the caller's
// comparisons as a "discarded" value.
inline std::vector<Json> ParseLines(const std::string& text) {
    std::vector<Json> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) out.push_back(Json::parse(line, nullptr, false));
    return out;
}

// The first object, depth first, for which `match` holds (null if none).
inline const Json* FindObject(const Json& j, const std::function<bool(const Json&)>& match) {
    if (j.is_object() && match(j)) return &j;
    if (j.is_structured())
        for (const Json& child : j)
            if (const Json* found = FindObject(child, match)) return found;
    return nullptr;
}

// The first object whose member `key` equals `value`.
inline const Json* FindWhere(const Json& j, const std::string& key, const Json& value) {
    return FindObject(j, [&](const Json& o) { return o.contains(key) && o[key] == value; });
}

// The members of `want` that `have` lacks or holds differently, for messages
// (empty: all there).
inline std::string Missing(const Json& have, const Json& want) {
    std::string out;
    for (const auto& [key, value] : want.items())
        if (!have.is_object() || !have.contains(key) || have[key] != value) out += key + " ";
    return out;
}

}  // namespace ce::test
