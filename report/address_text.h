// Address texts as the old configuration writes them, read as IPv4 address ranges for the safety
// review.
//
// The old rules name addresses as text: a host "a.b.c.d" (perhaps followed by a blank and a port), a
// network "a.b.c.d:m.m.m.m" (the packet filter's edit lines join address and mask with '+'), a range
// "a.b.c.d-e.f.g.h", a wildcard pattern ("*", "10.10.*", "*.example.com"), a DNS name or an e-mail
// address. The review wants to know which addresses such a text covers, whether it means every
// address, and whether it is broken in a way that shows it was meant as dotted quads (a part above
// 255, the wrong number of parts, a mask with holes, a range that runs backwards). The reader follows
// the grammar the network object converter uses to choose an object kind (convert/netobjects.cpp), so
// that a text is read here as it was converted.
//
// Reading is total: every input, however long or hostile, gives an answer without reading outside it.
//
// Ownership: plain values. Threads: any; nothing is shared.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The addresses first to last, both included.
struct Ipv4Range {
    std::uint32_t first = 0;
    std::uint32_t last = 0;

    bool contains(const Ipv4Range& other) const { return first <= other.first && other.last <= last; }
    bool operator==(const Ipv4Range&) const = default;
};

enum class AddressForm {
    Empty,    // nothing was given
    Any,      // every address: "*", "0.0.0.0:0.0.0.0", "0.0.0.0+0.0.0.0", "0.0.0.0-255.255.255.255"
    Host,     // one address, with or without a port
    Network,  // an address and a mask
    Range,    // two addresses
    Pattern,  // a wildcard pattern; it has a range only when it fixes leading parts and leaves the rest open
    Other,    // a DNS name, an e-mail address, an object name or a text of no known form: no range
    Invalid,  // meant as dotted quads but not valid; problem says why
};

struct AddressText {
    AddressForm form = AddressForm::Empty;
    bool hasRange = false;  // range holds the addresses the text covers
    Ipv4Range range;
    std::string problem;  // for Invalid: one short clause ("10.1.1.256 has a part above 255")
};

// Reads an address text (leading and trailing blanks are ignored).
AddressText readAddressText(std::string_view text);

// Reads exactly four decimal parts of at most 255 separated by dots ("010" is ten). False for
// anything else, value unchanged.
bool readDottedQuad(std::string_view text, std::uint32_t& value);

// True when the mask's one bits are all in front of its zero bits (0.0.0.0 and 255.255.255.255 too).
bool isContiguousMask(std::uint32_t mask);

// Number of leading one bits of a contiguous mask.
int maskLength(std::uint32_t mask);

// "a.b.c.d".
std::string dottedQuadText(std::uint32_t value);

// "a.b.c.d/n" for a range that is a network (a prefix), "a.b.c.d-e.f.g.h" otherwise.
std::string rangeText(const Ipv4Range& range);
