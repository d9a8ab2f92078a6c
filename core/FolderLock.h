#pragma once
// One settings folder, one running panel: a panel holds "orlntpnl.ini.lock" in its folder
// while it runs (an advisory lock of the system's, let go however the process ends), so a
// second panel started on the same folder can say that its settings are shared.

#include <string>

namespace orl {

constexpr const char* FolderLockFileName = "orlntpnl.ini.lock";

class FolderLock {
public:
    // Takes the lock of the folder `appPath` (ending in '/') when no other panel has it.
    explicit FolderLock(const std::string& appPath);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // True when another running panel holds the folder; false when this one holds it, or
    // when the folder cannot hold a lock file at all (nothing can be told then).
    bool HeldByAnother() const { return heldByAnother_; }

private:
    int fd_ = -1;
    bool heldByAnother_ = false;
};

} // namespace orl
