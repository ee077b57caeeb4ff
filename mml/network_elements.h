#pragma once

#include <string>
#include <vector>

namespace kestrel::mml {

// The fixed pick lists of network elements. An entry is sent after "NE=" exactly as listed,
// ",PROT=V24" suffix included.
const std::vector<std::string>& BscPickList();
// The BSC pick list without "BSC3", "RIVBSC4_X29,PROT=V24" and "RVBSC4B_X29,PROT=V24".
const std::vector<std::string>& ShortBscPickList();
// The BSC pick list followed by the MSCs, gateway MSCs and HLRs.
const std::vector<std::string>& NetworkElementPickList();
// The MSC of each BSC pick-list position (16 entries).
const std::vector<std::string>& MscNames();

}  // namespace kestrel::mml
