#pragma once
// The user-mode Windows seam as one object: the simulated machine and the real
// forwarding layer each implement every family.
#include "platform/file_api.hpp"
#include "platform/registry_api.hpp"
#include "platform/security_api.hpp"
#include "platform/service_api.hpp"
#include "platform/system_api.hpp"

namespace qz {

class Win32Api : public SystemApi, public FileApi, public RegistryApi, public SecurityApi,
                 public ServiceApi {};

}  // namespace qz
