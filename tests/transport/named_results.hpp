#pragma once
// Failure messages that name the transport kinds and the service helpers' results.
#include <iterator>
#include <ostream>

#include "transport/service_helpers.hpp"
#include "transport/transport_kind.hpp"

namespace qz {

inline void PrintTo(TransportKind kind, std::ostream* os) {
  static constexpr const char* kNames[] = {"None",     "AtaPassThrough", "IdePassThrough",
                                           "ScsiPassThrough", "Miniport", "PortIo", "Sil3124"};
  const auto n = static_cast<unsigned>(kind);
  if (n < std::size(kNames)) *os << kNames[n];
  else *os << "TransportKind(" << n << ")";
}

inline void PrintTo(ServiceState state, std::ostream* os) {
  static constexpr const char* kNames[] = {"Running", "NotRunning", "Failed", "Missing"};
  *os << kNames[static_cast<int>(state)];
}

inline void PrintTo(ServiceOutcome outcome, std::ostream* os) {
  static constexpr const char* kNames[] = {"Done", "Failed", "Missing"};
  *os << kNames[static_cast<int>(outcome)];
}

inline void PrintTo(ServiceCreation creation, std::ostream* os) {
  static constexpr const char* kNames[] = {"Created", "AlreadyExists", "Failed", "Missing"};
  *os << kNames[static_cast<int>(creation)];
}

}  // namespace qz
