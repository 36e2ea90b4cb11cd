// The text operations of the edit_leaf verb, as functions over plain strings.
//
// edit_leaf names one of seventeen operations by a word ("append", "nuke_thru", ...) and applies it to
// the value of every setting a template finds. Everything an operation decides from text alone lives
// here so that it can be tested without a tree: the operation table, the blank operand, the value
// operations, the legal-name form used by make_legal, the new name of an X400 proxy setting and the
// split of an X400 "gdi" value. The verb itself (verbs_value.cpp) does the searching, the uniqueness
// check of make_legal against the other matches and the moving of X400 settings.
//
// Pure functions and constant data; safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Row numbers of the operation table; the order is the table's order.
enum class EditOperation {
    Append = 0,
    Delete,
    DeleteExcept,
    DoX400Thang,
    Insert,
    InsertValname,
    IsNull,
    MakeCounter,
    MakeLegal,
    Max,
    Min,
    Notnull,
    NukeAfter,
    NukeContaining,
    NukeExcept,
    NukeFrom,
    NukeThru,
};

inline constexpr int kEditOperationCount = 17;

// The operation whose name equals word ignoring (ASCII) letter case; none for an unknown word.
std::optional<EditOperation> findEditOperation(std::string_view word);

// The name as the table holds it ("append", "do_x400_thang", ...).
std::string_view editOperationName(EditOperation op);

// A script line loses its trailing white space, so a single blank operand is written "' '". Only
// append, insert, nuke_after, nuke_from and nuke_thru read it so; the others take the text literally.
bool takesBlankOperand(EditOperation op);
// The operand as the operation uses it: one blank when op takes the blank form and the operand
// begins with "' '", otherwise the operand itself.
std::string_view effectiveOperand(EditOperation op, std::string_view operand);

// max and min: the operand read as a decimal integer the way the C library does (leading white
// space, an optional sign, digits; 0 when there are none; saturated when it does not fit).
long long editLimit(std::string_view operand);

// The number of a decimal integer in canonical form: read as an integer and printed back it gives
// the same text ("0", "12", "-3"; not "", "012", "+3", "3a", nor a number too large to hold).
// False, number untouched, for any other text.
bool canonicalIntegerValue(std::string_view text, long long& number);

// What one match needs besides its value: its leaf name (insert_valname), its index among the
// line's matches (make_counter) and the limit (max, min).
struct EditContext {
    std::string_view leafName;
    std::size_t index = 0;
    long long limit = 0;
};

// Applies one of the value operations to value. do_x400_thang and make_legal are not value
// operations (they need the tree and the other matches) and leave the value as it is here.
void applyValueOperation(EditOperation op, std::string& value, std::string_view operand, const EditContext& context);

// make_legal's first step: ' ', '.', ';', '=' and '_' become '-', '*' becomes "any".
std::string legalName(std::string_view value);

// The new setting name of an old X400 proxy setting whose leaf is named leafName, for example
// "amta-host-2" -> "def_proxy_X400_amta_2_host". None when the setting stays as it is (not an
// "amta-"/"fmta-" name, one of the two counters, or numbers that are not set off by a '-').
std::optional<std::string> x400SettingName(std::string_view leafName);

// An X400 "gdi" value split at ';' into its "a=", "c=" and "p=" parts (prefixes ignore case; a later
// part of a kind replaces an earlier one; absent kinds are empty). unrecognized counts the parts of
// any other form, empty parts included.
struct X400Gdi {
    std::string a, c, p;
    int unrecognized = 0;
};
X400Gdi splitX400Gdi(std::string_view value);
