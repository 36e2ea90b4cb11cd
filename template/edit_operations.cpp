// The text operations of edit_leaf; see edit_operations.h.
#include "template/edit_operations.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "template/text_util.h"

namespace {

constexpr std::array<std::string_view, kEditOperationCount> kOperationNames = {
    "append",     "delete",          "delete_except", "do_x400_thang", "insert",    "insert_valname",
    "is_null",    "make_counter",    "make_legal",    "max",           "min",       "notnull",
    "nuke_after", "nuke_containing", "nuke_except",   "nuke_from",     "nuke_thru",
};

void dropLeadingBlanks(std::string& value) {
    std::size_t start = 0;
    while (start < value.size() && isBlankChar(value[start])) ++start;
    value.erase(0, start);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Cuts "rest-TAIL" into rest and TAIL at the last '-'; false when there is no '-'.
bool cutLastHyphen(std::string& rest, std::string& tail) {
    const std::size_t dash = rest.rfind('-');
    if (dash == std::string::npos) return false;
    tail = rest.substr(dash + 1);
    rest.erase(dash);
    return true;
}

bool endsInDigit(const std::string& text) { return !text.empty() && isDigit(text.back()); }

}  // namespace

std::optional<EditOperation> findEditOperation(std::string_view word) {
    for (int row = 0; row < kEditOperationCount; ++row) {
        if (equalsIgnoreCase(word, kOperationNames[static_cast<std::size_t>(row)])) {
            return static_cast<EditOperation>(row);
        }
    }
    return std::nullopt;
}

std::string_view editOperationName(EditOperation op) { return kOperationNames[static_cast<std::size_t>(op)]; }

bool takesBlankOperand(EditOperation op) {
    switch (op) {
    case EditOperation::Append:
    case EditOperation::Insert:
    case EditOperation::NukeAfter:
    case EditOperation::NukeFrom:
    case EditOperation::NukeThru:
        return true;
    default:
        return false;
    }
}

std::string_view effectiveOperand(EditOperation op, std::string_view operand) {
    if (takesBlankOperand(op) && operand.substr(0, 3) == "' '") return " ";
    return operand;
}

long long editLimit(std::string_view operand) {
    const std::string copy(operand);  // strtoll needs a terminated text
    return std::strtoll(copy.c_str(), nullptr, 10);
}

bool canonicalIntegerValue(std::string_view text, long long& number) {
    if (text.empty()) return false;
    const std::string copy(text);
    errno = 0;
    const long long n = std::strtoll(copy.c_str(), nullptr, 10);
    if (errno == ERANGE || std::to_string(n) != copy) return false;
    number = n;
    return true;
}

void applyValueOperation(EditOperation op, std::string& value, std::string_view rawOperand,
                         const EditContext& context) {
    const std::string_view operand = effectiveOperand(op, rawOperand);
    const std::size_t found = value.find(operand);
    switch (op) {
    case EditOperation::Append:
        value.append(operand);
        break;
    case EditOperation::Delete:
        if (found != std::string::npos) value.erase(found, operand.size());
        break;
    case EditOperation::DeleteExcept:
        if (found != std::string::npos) value.assign(operand);
        break;
    case EditOperation::Insert:
        value.insert(0, operand);
        break;
    case EditOperation::InsertValname:
        value.insert(0, context.leafName);
        break;
    case EditOperation::IsNull:
        if (value.empty()) value.assign(operand);
        break;
    case EditOperation::Notnull:
        if (!value.empty()) value.assign(operand);
        break;
    case EditOperation::MakeCounter:
        value = std::to_string(context.index + 1);
        break;
    case EditOperation::Max:
    case EditOperation::Min: {
        long long number = 0;
        if (!canonicalIntegerValue(value, number)) break;
        const bool beyond = op == EditOperation::Max ? number > context.limit : number < context.limit;
        if (beyond) value.assign(operand);
        break;
    }
    case EditOperation::NukeAfter:
        if (found != std::string::npos) value.erase(found + operand.size());
        break;
    case EditOperation::NukeContaining:
        if (found != std::string::npos) {
            const std::size_t blank = value.find(' ', found);
            if (blank == std::string::npos) {
                value.clear();
            } else {
                value.erase(0, blank + 1);
                dropLeadingBlanks(value);
            }
        }
        break;
    case EditOperation::NukeExcept:
        if (found != std::string::npos) {
            value.assign(operand);
        } else {
            value.clear();
        }
        break;
    case EditOperation::NukeFrom:
        if (found != std::string::npos) value.erase(found);
        break;
    case EditOperation::NukeThru:
        if (found != std::string::npos) {
            value.erase(0, found + operand.size());
            dropLeadingBlanks(value);
        }
        break;
    case EditOperation::DoX400Thang:
    case EditOperation::MakeLegal:
        break;  // need the tree or the other matches: done by the verb
    }
}

std::string legalName(std::string_view value) {
    std::string legal;
    legal.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case ' ':
        case '.':
        case ';':
        case '=':
        case '_':
            legal.push_back('-');
            break;
        case '*':
            legal.append("any");
            break;
        default:
            legal.push_back(c);
        }
    }
    return legal;
}

std::optional<std::string> x400SettingName(std::string_view leafName) {
    if (leafName == "amta-count" || leafName == "fmta-routing-rule-count") return std::nullopt;
    const std::string_view prefix = leafName.substr(0, 5);
    if (prefix != "amta-" && prefix != "fmta-") return std::nullopt;

    std::string name = "def_proxy_X400_";
    name.append(leafName.substr(0, 4));
    name.push_back('_');
    std::string rest(leafName.substr(5));
    std::string first, second, third;  // the trailing number, the number before it, the word before that
    bool lastNumber = false, twoNumbers = false, routingPair = false;

    if (endsInDigit(rest)) {
        if (!cutLastHyphen(rest, first)) return std::nullopt;
        lastNumber = true;
    }
    if (endsInDigit(rest)) {
        if (!cutLastHyphen(rest, second)) return std::nullopt;
        if (!cutLastHyphen(rest, third)) return std::nullopt;
        twoNumbers = true;
    }
    if (lastNumber && !twoNumbers) {
        if (rest == "routing-rule" || rest == "routing-dest") {
            third = rest.substr(8);
            rest = "routing";
            routingPair = true;
        }
    }
    for (char& c : rest) {
        if (c == '_') c = '-';
    }
    if (rest == "max-assocs") rest = "max_assocs";

    if (routingPair) {
        name += rest + "_" + first + "_" + third;
    } else if (twoNumbers) {
        name += second + "_" + rest + "_" + first + "_" + third;
    } else if (lastNumber) {
        name += first + "_" + rest;
    } else {
        name += rest;
    }
    return name;
}

X400Gdi splitX400Gdi(std::string_view value) {
    X400Gdi gdi;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = value.find(';', start);
        const std::string_view part =
            value.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        const std::string_view kind = part.substr(0, 2);
        if (equalsIgnoreCase(kind, "a=")) {
            gdi.a.assign(part.substr(2));
        } else if (equalsIgnoreCase(kind, "c=")) {
            gdi.c.assign(part.substr(2));
        } else if (equalsIgnoreCase(kind, "p=")) {
            gdi.p.assign(part.substr(2));
        } else {
            ++gdi.unrecognized;
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return gdi;
}
