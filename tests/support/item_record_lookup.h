// Finding item records in tests: by kind and old identity, by kind and label, or all of a kind; and
// a field's values as one "old -> new" text that a failing check prints whole. Header only: the
// suites that use it link the convert library themselves.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "convert/item_records.h"

namespace testsupport {

// The first record of the kind whose oldId is oldId, or null.
inline const ItemRecord* recordById(const std::vector<ItemRecord>& records, ItemKind kind, std::string_view oldId) {
    for (const ItemRecord& record : records) {
        if (record.kind == kind && record.oldId == oldId) return &record;
    }
    return nullptr;
}

// The first record of the kind whose label is label, or null.
inline const ItemRecord* recordByLabel(const std::vector<ItemRecord>& records, ItemKind kind, std::string_view label) {
    for (const ItemRecord& record : records) {
        if (record.kind == kind && record.label == label) return &record;
    }
    return nullptr;
}

inline std::vector<const ItemRecord*> recordsOfKind(const std::vector<ItemRecord>& records, ItemKind kind) {
    std::vector<const ItemRecord*> found;
    for (const ItemRecord& record : records) {
        if (record.kind == kind) found.push_back(&record);
    }
    return found;
}

// "OLD -> NEW" for the field, "(absent)" when the record has no such field.
inline std::string fieldText(const ItemRecord& record, std::string_view name) {
    const ItemField* field = record.field(name);
    return field == nullptr ? std::string("(absent)") : field->oldValue + " -> " + field->newValue;
}

}  // namespace testsupport
