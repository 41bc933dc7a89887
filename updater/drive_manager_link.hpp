#pragma once
// The main window's view of the real drive manager, and the factory that start-up calls at
// its step 8.
#include <memory>

#include "discovery/drive_manager.hpp"
#include "updater/drive_manager_api.hpp"

namespace qz {

class DriveManagerLink final : public DriveManagerApi {
 public:
  explicit DriveManagerLink(std::unique_ptr<DriveManager> manager) : manager_(std::move(manager)) {}

  std::uint32_t LastError() override { return manager_->GetLastError(); }
  std::uint16_t GetCount() override { return manager_->GetCount(); }
  DriveRecord* GetItem(unsigned index) override { return manager_->GetItem(index); }
  bool Select(std::int16_t index) override { return manager_->Select(index); }
  std::vector<UnreachedDisk> UnreachedDisks() override { return manager_->UnreachedDisks(); }
  DriveManager& manager() { return *manager_; }

 private:
  std::unique_ptr<DriveManager> manager_;
};

// Builds the drive manager over `system` (which must outlive it); null when it can't be built.
inline DriveManagerFactory MakeDriveManagerFactory(const CommandDeviceSystem& system) {
  return [system](bool createFlag) -> std::unique_ptr<DriveManagerApi> {
    auto manager = DriveManager::Create(system, createFlag);
    if (!manager) return nullptr;
    return std::make_unique<DriveManagerLink>(std::move(manager));
  };
}

}  // namespace qz
