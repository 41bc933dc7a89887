#include "discovery/rearrange.hpp"

#include <utility>

namespace qz {
namespace {

std::uint32_t Key(const ScsiAddress& a) {
  return a.PortNumber * 4096u + a.PathId * 256u + a.TargetId * 16u + a.Lun;
}

}  // namespace

void RearrangeByScsiAddress(std::vector<DiskRegData>& entries, std::size_t count) {
  if (count > entries.size()) count = entries.size();
  for (std::size_t i = 0; i < count; ++i) entries[i].Taken = 0;
  std::vector<std::size_t> order;
  order.reserve(count);
  while (order.size() < count) {
    std::size_t best = count;
    for (std::size_t i = 0; i < count; ++i) {
      const DiskRegData& e = entries[i];
      if (!e.HasScsiAddress || e.Taken) continue;
      if (best == count || Key(e.Address) <= Key(entries[best].Address)) best = i;
    }
    if (best != count) {
      entries[best].Taken = 1;
      order.push_back(best);
      continue;
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (entries[i].Taken) continue;
      entries[i].Taken = 1;
      order.push_back(i);
    }
  }
  std::vector<DiskRegData> arranged;
  arranged.reserve(count);
  for (std::size_t i : order) arranged.push_back(std::move(entries[i]));
  for (std::size_t i = 0; i < count; ++i) entries[i] = std::move(arranged[i]);
}

}  // namespace qz
