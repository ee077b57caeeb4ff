#include "mml/network_elements.h"

#include <algorithm>

namespace kestrel::mml {

const std::vector<std::string>& BscPickList() {
  static const std::vector<std::string> list = {"ALTBSC1_X29,PROT=V24",
                                                "BSC3",
                                                "RIVBSC4_X29,PROT=V24",
                                                "RVBSC4B_X29,PROT=V24",
                                                "BSC5_X29,PROT=V24",
                                                "BSC6_X29,PROT=V24",
                                                "BSC7_X29,PROT=V24",
                                                "BSC8_X29,PROT=V24",
                                                "BSC9",
                                                "BSC10",
                                                "BSC11",
                                                "BSC12",
                                                "BSC13",
                                                "BSC14",
                                                "BSC15",
                                                "BSC16",
                                                "BSC17",
                                                "BSC18"};
  return list;
}

const std::vector<std::string>& ShortBscPickList() {
  static const std::vector<std::string> list = [] {
    std::vector<std::string> shorter = BscPickList();
    std::erase_if(shorter, [](const std::string& name) {
      return name == "BSC3" || name == "RIVBSC4_X29,PROT=V24" || name == "RVBSC4B_X29,PROT=V24";
    });
    return shorter;
  }();
  return list;
}

const std::vector<std::string>& NetworkElementPickList() {
  static const std::vector<std::string> list = [] {
    std::vector<std::string> all = BscPickList();
    for (const char* name : {"MSC1_X29,PROT=V24",
                             "MSC2_X29,PROT=V24",
                             "DELMSC3_X29,PROT=V24",
                             "RIVMSC4_X29,PROT=V24",
                             "MSC5_X29,PROT=V24",
                             "MSC6_X29,PROT=V24",
                             "MSC7_X29,PROT=V24",
                             "MSC8_X29,PROT=V24",
                             "MSC9",
                             "MSC10",
                             "MSC11",
                             "MSC12",
                             "MSC13",
                             "MSCSV2",
                             "GMSC1",
                             "GMSC2",
                             "GMSC3",
                             "GMSC4",
                             "HLR3",
                             "HLR4",
                             "HLR5",
                             "HLR6"}) {
      all.emplace_back(name);
    }
    return all;
  }();
  return list;
}

const std::vector<std::string>& MscNames() {
  static const std::vector<std::string> names = {
      "MSC1", "DELMSC3", "RIVMSC4", "RIVMSC4", "MSC5",  "MSC6",   "MSC7",   "MSC8",
      "MSC9", "MSC10",   "MSC11",   "MSC12",   "MSC13", "MSCSV2", "MSCSV2", "GMSC4"};
  return names;
}

}  // namespace kestrel::mml
