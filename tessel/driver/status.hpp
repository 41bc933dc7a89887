#pragma once
// The NTSTATUS values the portable request handling answers with.
#include <cstdint>

namespace qz::kstatus {

inline constexpr std::int32_t kSuccess = 0;
inline constexpr std::int32_t kInvalidParameter = static_cast<std::int32_t>(0xC000000Du);
inline constexpr std::int32_t kBufferTooSmall = static_cast<std::int32_t>(0xC0000023u);
inline constexpr std::int32_t kInsufficientResources = static_cast<std::int32_t>(0xC000009Au);
inline constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0xC0000022u);
inline constexpr std::int32_t kUnsuccessful = static_cast<std::int32_t>(0xC0000001u);

// A request as the dispatch routine sees it: one system buffer for input and output.
struct Reply {
  std::int32_t status = kSuccess;
  std::uint32_t information = 0;  // bytes of output
};

}  // namespace qz::kstatus
