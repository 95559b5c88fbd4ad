// The host's constants (modGetVXEnum): reading the host's constants file
// "vxconst.bas" into a dictionary from an enumeration's values to its member
// names.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace rc::core {

// Enumeration value (a whole number) to member name; the first member with
// a value wins.
using EnumDictionary = std::map<double, std::string>;

// The grandparent candidate of host folder `folder`: the text before the
// second separator found scanning back from its second-to-last character
// (with fewer separators, the text before the last one found, or "").
std::string hostFolderGrandparent(std::string_view folder);

// Adds one member line of an enumeration block: value = the whole part of
// the number starting two characters after the first "=", name = the line
// without leading tabs, trimmed of spaces, cut before the "=", without a
// leading "vx". Raises Invalid procedure call (5) when there is no "=".
void addEnumMember(EnumDictionary& dict, std::string_view line);

// Fills `dict` with the members of enumeration `enumName` from
// "samples\appComm\vxconst.bas" under `hostFolder`, or else under its
// grandparent. 0 when the file was read to its end; 1 when it was not found
// (trace lines "Couldn't find vxconst.bas" and "Failed to load Dictionary:
// <name>") or reading failed (a member line without "=", a block without
// "End Enum": the second line only). Entries added before a failure stay.
std::int16_t LoadEnumDictionary(EnumDictionary& dict, std::string_view enumName, std::string_view hostFolder);

}  // namespace rc::core
