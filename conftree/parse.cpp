// The setting-text parsers and the canonical form of numbers.
#include "conftree/parse.h"

#include <cstring>
#include <ostream>
#include <utility>
#include <vector>

#include "conftree/branch.h"
#include "conftree/leaf.h"
#include "conftree/parse_internal.h"
#include "conftree/tree_internal.h"
#include "conftree/tree_state.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Whether text (no leading zeros left, not empty) prints back unchanged after the standard decimal
// text-to-integer conversion to a long: an optional '-' and digits not starting with '0', within
// the range of long. Stores the number in *value when so.
bool canonicalDigits(std::string_view text, long* value) {
    bool negative = !text.empty() && text[0] == '-';
    std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits[0] < '1' || digits[0] > '9') return false;
    if (digits.size() > 19) return false;
    unsigned long long magnitude = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + static_cast<unsigned long long>(c - '0');
    }
    // 19 digits cannot overflow unsigned long long; compare with the limits of long.
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    if (magnitude > limit) return false;
    if (value != nullptr) *value = negative ? static_cast<long>(0 - magnitude) : static_cast<long>(magnitude);
    return true;
}

// Cuts a path at every underscore into components, as the setting parser does: an empty
// component for a leading underscore or for two in a row; none for a trailing underscore.
void cutPath(std::string_view path, std::vector<std::string>& components, std::size_t& used) {
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t underscore = path.find('_', start);
        std::string_view component =
            underscore == std::string_view::npos ? path.substr(start) : path.substr(start, underscore - start);
        if (used == components.size()) components.emplace_back();
        components[used].assign(component.data(), component.size());
        canonicalNumber(components[used]);
        ++used;
        if (underscore == std::string_view::npos) break;
        start = underscore + 1;
    }
}

}  // namespace

long canonicalNumber(std::string& text) {
    if (text.empty()) return -1;
    std::size_t zeros = 0;
    while (zeros < text.size() && text[zeros] == '0') ++zeros;
    if (zeros == text.size()) {
        text = "0";
        return 0;
    }
    // Zeros are only ever stripped in front of digits: "0-23" (a port range, say) would otherwise be
    // read as the negative number "-23" and the setting silently changed.
    if (zeros > 0 && (text[zeros] < '0' || text[zeros] > '9')) return -1;
    long value = 0;
    if (!canonicalDigits(std::string_view(text).substr(zeros), &value)) return -1;
    if (zeros > 0) text.erase(0, zeros);
    return value;
}

bool isCanonicalInteger(std::string_view text) {
    if (text == "0") return true;
    return canonicalDigits(text, nullptr);
}

namespace conftree_internal {

SettingStatus splitSetting(std::string_view text, long lineNumber, SettingParts& parts) {
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    if (text.size() < 2 || text[0] == '#') return SettingStatus::Skip;
    std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        std::ostream& log = treeLog();
        log << "Line " << lineNumber << ": Unable to find '=' in " << text;
        endLine(log);
        return SettingStatus::NoEquals;
    }
    parts.value.assign(text.data() + equals + 1, text.size() - equals - 1);
    canonicalNumber(parts.value);
    std::string_view name = text.substr(0, equals);

    std::string_view path;
    std::string_view leafName;
    std::size_t num = name.find("_num_");
    if (num != std::string_view::npos) {
        leafName = name.substr(num + 1);
        path = name.substr(0, num);
    } else {
        std::size_t last = name.rfind('_');
        if (last != std::string_view::npos) {
            leafName = name.substr(last + 1);
            path = name.substr(0, last);
        } else {
            leafName = name;
        }
    }
    parts.leafName.assign(leafName.data(), leafName.size());
    canonicalNumber(parts.leafName);
    parts.used = 0;
    cutPath(path, parts.components, parts.used);
    return SettingStatus::Ok;
}

}  // namespace conftree_internal

std::unique_ptr<Node> parseLine(std::string_view text, long lineNumber, Leaf** bottom) {
    using namespace conftree_internal;
    if (bottom != nullptr) *bottom = nullptr;
    SettingParts parts;
    if (splitSetting(text, lineNumber, parts) != SettingStatus::Ok) return nullptr;

    auto leaf = std::make_unique<Leaf>(std::move(parts.leafName), std::move(parts.value));
    Leaf* leafRaw = leaf.get();
    std::unique_ptr<Node> top;
    if (parts.used == 0) {
        top = std::move(leaf);
    } else {
        // Build bottom-up so that each branch is complete when its parent adopts it.
        std::unique_ptr<Node> below = std::move(leaf);
        for (std::size_t i = parts.used; i-- > 0;) {
            auto branch = std::make_unique<Branch>(std::move(parts.components[i]));
            branch->children().append(std::move(below));
            below = std::move(branch);
        }
        top = std::move(below);
    }
    if (bottom != nullptr) *bottom = leafRaw;
    return top;
}

std::unique_ptr<Branch> parseName(std::string_view text, Branch** bottom) {
    if (bottom != nullptr) *bottom = nullptr;
    if (text.empty() || text[0] == '#') return nullptr;
    std::vector<std::string> components;
    std::size_t used = 0;
    cutPath(text, components, used);
    if (used == 0) return nullptr;  // the text was a single underscore: no component at all
    std::unique_ptr<Branch> top;
    Branch* last = nullptr;
    for (std::size_t i = used; i-- > 0;) {
        auto branch = std::make_unique<Branch>(std::move(components[i]));
        if (last == nullptr) last = branch.get();
        if (top) branch->children().append(std::move(top));
        top = std::move(branch);
    }
    if (bottom != nullptr) *bottom = last;
    return top;
}
