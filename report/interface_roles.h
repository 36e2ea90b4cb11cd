// The role an interface plays for the safety review: facing the outside world, facing the inside
// networks, or neither as far as its settings tell.
//
// A rule that moves from an inside interface to an outside one opens the firewall where it was
// closed, so the review compares the role of a rule's interface on the old firewall with the role of
// the interface it acts on after the pairing. An interface is outside when its location label says
// so ("outside", "external", "internet") or when it translates addresses (nat on); inside when its
// label is "inside", "internal", "lan" or "trusted"; otherwise its role is unknown (a DMZ, a spare).
// Labels are compared ignoring letter case and surrounding blanks.
//
// Ownership: plain values. Threads: any.
#pragma once

#include <string_view>

enum class InterfaceRole { Unknown, Inside, Outside };

InterfaceRole interfaceRole(std::string_view location, bool nat);

// "inside", "outside", "unknown".
std::string_view interfaceRoleText(InterfaceRole role);

// True for the value "on" of a nat setting (as the interface converter reads it), ignoring case.
bool natFlagOn(std::string_view value);

// Equal ignoring ASCII letter case.
bool equalsIgnoringCase(std::string_view a, std::string_view b);
