#pragma once
// Which packages of a packed block would admit a drive of a model the release never names,
// judged by the updater's own eligibility code on the block as the updater loads it.
#include <string>
#include <vector>

#include "platform/types.hpp"
#include "tools/packer/release.hpp"

namespace qz::packer {

// One refusal for each package that is not marked any_model and whose table admits a made-up
// drive, naming the first entry that admits it.
std::vector<std::string> StrangersAdmitted(ConstBytes block, const Release& release);

}  // namespace qz::packer
