// Network address objects: turning the address texts of old rules into named 6.0 objects.
//
// Old rules name addresses as text (a host, a network with its mask, a range, a wildcard pattern, a
// host name, an e-mail address); the new configuration refers to named objects instead. NetObjectList
// is the list of objects created during one conversion run, in creation order, together with the fixed
// objects that every firewall knows (looked up, never created or written). The first request for a
// text creates its object (and the parts a network or range is built from); later requests reuse it.
//
// The template processor holds the list of a run; its operations convertAddr, getNetObject,
// lookupNetObject, netObjectExists, createNetObject, createCompoundNetObject and saveNetObjects forward
// to it, and the other converters are handed it to make the objects of their addresses. Lookups keep
// the order of a front-to-back scan (fixed objects first, then created objects in creation order; the
// first match wins) but are answered from hash indexes.
//
// Ownership: the list owns its NetObject entries; references to entries stay valid only until the
// next creation. Threads: one thread at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "convert/item_records.h"

class ConfigTree;
class ConverterContext;

// Object kinds; the number is stored with each object.
enum NetObjectKind : int {
    kNetIpAddr = 0,       // "net_ipaddr_"
    kNetIpRange = 1,      // "net_iprange_" (compound: start and end links)
    kNetIpMask = 2,       // "net_ipmask_"
    kNetIpNet = 3,        // "net_ipnet_" (compound: address and mask links)
    kNetPattern = 4,      // "net_pattern_"
    kNetDns = 5,          // "net_dns_"
    kNetEmail = 6,        // "net_email_"
    kNetNetAddrLink = 8,  // a network's address part, named like its network
    kNetNetMaskLink = 9,  // a network's mask part
    kNetRangeStartLink = 10,
    kNetRangeEndLink = 11,
};

// Name prefix of a kind ("net_ipaddr_" ...); empty for links and unknown kinds.
std::string_view netObjectPrefix(int kind);
// What is written after the object's name ("_addr=" ...); empty for compounds (never written).
std::string_view netObjectSuffix(int kind);
// The short label made from a value: '_', ' ', ';', '.', '=' become '-', '*' becomes "any".
std::string netObjectLabel(std::string_view value);

struct NetObject {
    int type = kNetIpAddr;
    std::string name;   // full object name, prefix included
    std::string label;  // short label (name without prefix)
    std::string value;  // address/mask/pattern/name as given; a compound's label; a link's target name
    std::string desc;   // description; empty when none was given
};

// A name and label pair as lookups and creations hand them out; both empty for "not found".
struct NetObjectRef {
    std::string name;
    std::string label;
};

// A hash index from (kind, text) to a list position; lookups take a string_view without copying it.
struct NetObjectKey {
    int kind;
    std::string text;
};
struct NetObjectKeyView {
    int kind;
    std::string_view text;
};
struct NetObjectKeyHash {
    using is_transparent = void;
    std::size_t operator()(const NetObjectKeyView& k) const noexcept;
    std::size_t operator()(const NetObjectKey& k) const noexcept { return (*this)(NetObjectKeyView{k.kind, k.text}); }
};
struct NetObjectKeyEqual {
    using is_transparent = void;
    static NetObjectKeyView view(const NetObjectKey& k) { return {k.kind, k.text}; }
    static NetObjectKeyView view(const NetObjectKeyView& k) { return k; }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const noexcept {
        const NetObjectKeyView x = view(a);
        const NetObjectKeyView y = view(b);
        return x.kind == y.kind && x.text == y.text;
    }
};
using NetObjectIndex = std::unordered_map<NetObjectKey, std::size_t, NetObjectKeyHash, NetObjectKeyEqual>;

class NetObjectList {
public:
    NetObjectList();

    // The created objects, compounds and links included, in creation order.
    const std::vector<NetObject>& objects() const { return objects_; }
    std::size_t size() const { return objects_.size(); }

    // First object (fixed ones first, then created ones) of the kind whose value equals value exactly.
    NetObjectRef lookup(int kind, std::string_view value) const;
    // True when a fixed or created object of the kind has exactly this name.
    bool exists(int kind, std::string_view name) const;

    // Creates a simple object (kinds 0, 2, 4, 5, 6) named prefix + label of value; the name is made
    // unique for the kind by appending "-2", "-3", ... to the label when it is taken.
    NetObjectRef create(int kind, const std::string& value, const std::string& desc);
    // Creates a compound (kind 1 or 3) with the given label and its two links (first and second part
    // names); the name is made unique for the kind like create's. Returns the compound's name.
    std::string createCompound(int kind, const std::string& label, const std::string& firstName,
                               const std::string& secondName, const std::string& desc);

    // The object for an address (kinds 0, 4, 5, 6: value1) or a range/network (kinds 1, 3: value1 and
    // value2), creating what does not exist yet.
    std::string get(int kind, const std::string& value1, const std::string& value2, const std::string& desc);

    // Turns an address text into an object name (see netobjects.cpp for the grammar). port receives a
    // port when the text is an address, a blank and a number; otherwise it is emptied. The result is
    // empty when the text is empty or begins with a separator, and is the bare first part when a
    // separator is followed by nothing.
    std::string convertAddr(std::string_view text, std::string& port, const std::string& desc);

    // Writes the created objects into tree (never the fixed ones, nor the compounds themselves: their
    // links are written). A setting the tree already holds keeps its value (saveNetObjects).
    void save(ConverterContext& context, ConfigTree& tree);

    // Appends one record per object created (item_records.h): every simple object and every network
    // and range under its own name, not the links it is written as. The label and value of a network
    // or range are its parts' values ("10.1.0.0:255.255.0.0", "10.0.0.1-10.0.0.9"). An object has its
    // name as new name once a save has written it (netobject_records.cpp).
    void appendRecords(std::vector<ItemRecord>& out) const;

private:
    void append(NetObject object);
    // The value of the fixed or created object of the kind with exactly this name; empty when none.
    std::string valueOf(int kind, std::string_view name) const;
    std::string uniqueLabel(int kind, const std::string& label);

    std::vector<NetObject> objects_;
    NetObjectIndex byValue_;  // (kind, value) -> first created entry
    NetObjectIndex byName_;   // (kind, name) -> first created entry
    // (kind, "first part name\nsecond part name") of created compounds -> the compound's entry
    NetObjectIndex compoundByParts_;
    // (kind, label) -> next suffix to try, so repeated clashes do not rescan from "-2"
    std::unordered_map<std::string, int> nextSuffix_;
    std::size_t saved_ = 0;  // objects at the head of objects_ that a save has written
};
