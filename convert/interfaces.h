// Interface records: the network interfaces of the old and the new firewall, and their pairing.
//
// The old configuration describes interfaces as address lists ("netobj_list_N" whose name is
// "all_interfaces" for the physical interfaces, "DEV$INTERFACE" for the addresses of device DEV); the
// new one as the elements of the list "netobj_list_Outside_element". The interface converter
// (interface_converter.h) reads both into InterfaceRecords, pairs every old physical interface with a
// new one, and writes the result.
//
// Pairing an old interface with a new one is the one decision a person may have to make during a
// conversion. The functions below are the single place that makes a pairing, whoever chooses it: the
// automatic pairing by address, the wizard's interface merge dialog, and the --pair options of the
// command-line front end. Front ends only choose, through the view in interface_pairing.h; they never
// touch the pairing fields themselves.
//
// Ownership: the interface converter owns the lists (plain vectors of records); everything here works
// on lists it is handed and keeps no state. Threads: one thread at a time, between or inside the
// phases.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One interface or interface alias (an additional address of an interface).
struct InterfaceRecord {
    std::string addr;
    bool alias = false;
    std::string broadcast;
    bool inat = false;
    std::string interface;       // device name
    std::string interfaceflags;  // read from the new configuration only; always written empty
    std::string location;
    std::string name;
    bool nat = false;
    std::string netmask;
    bool transparency = false;

    // The paired record on the other side: its device name, position and address.
    std::string counterpartInterface;
    int counterpartIndex = -1;  // kUnpaired, kNotWritten, or a position in the other list
    std::string counterpartAddr;

    // For the upgrade report (item_records.h): where the record was read from, what the pairing and
    // the merge overwrite, how it was paired and where it was written.
    std::string settingPrefix;     // the element read: "netobj_list_1_element_2"
    std::string interfaceAsRead;   // device name as read (an alias's without ":N"), before a merge moves it
    bool natAsRead = false;        // nat as read, before a pairing gives a new record its partner's
    bool pairedByAddress = false;  // the current pairing is the one the pairing by address made
    int writtenAs = 0;             // N of the written "netobj_list_Outside_element_N"; 0: not written
};

// counterpartIndex of a record that has not been paired.
inline constexpr int kUnpaired = -1;
// counterpartIndex of an old record left out of the written list (a later duplicate of a pairing).
inline constexpr int kNotWritten = -2;

using InterfaceList = std::vector<InterfaceRecord>;

// One rewrite the interface merge makes: references to an old device name and address are moved to
// the device name and address of the new interface paired with it.
struct InterfaceChange {
    std::string oldName;
    std::string oldAddr;
    std::string newName;
    std::string newAddr;
};

// The text a person sees for a record: "interface - addr - location".
std::string interfaceLabel(const InterfaceRecord& record);

// Pairs old record oldIndex with new record newIndex in both directions: each takes the other's
// device name, position and address as its counterpart, and the new record takes the old one's nat,
// inat and transparency flags. The pairing counts as chosen, not made by address. Positions outside
// the lists change nothing and give false.
bool pairInterfaces(InterfaceList& oldList, int oldIndex, InterfaceList& newList, int newIndex);

// Positions (0 .. physicalCount-1) of the old physical interfaces that have no counterpart.
std::vector<int> unpairedPhysicalInterfaces(const InterfaceList& oldList, int physicalCount);

// A pairing chosen by device names: the old physical interface OLDDEV with the new interface NEWDEV.
struct DevicePair {
    std::string oldDevice;
    std::string newDevice;
};

// Reads "OLDDEV=NEWDEV"; none when either side is empty or there is no '='.
std::optional<DevicePair> parseDevicePair(std::string_view text);

// Applies device pairs: every old physical interface whose device name is OLDDEV is paired with the
// first new record whose device name is NEWDEV (exact comparisons). A pair overrides a pairing made
// before (by address); pairings are made in the order of the old list, as the dialog makes them row by
// row. Pairs are checked before anything is changed: the result lists one message per
// pair that names no old physical interface or no new interface, or that gives a second, different
// partner for an old device; when it is not empty, no pairing was made.
std::vector<std::string> applyDevicePairs(InterfaceList& oldList, int physicalCount, InterfaceList& newList,
                                          const std::vector<DevicePair>& pairs);
