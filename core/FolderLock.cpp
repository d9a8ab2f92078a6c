#include "FolderLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orl {

FolderLock::FolderLock(const std::string& appPath) {
    const std::string path = appPath + FolderLockFileName;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0)
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC); // another user's file
    if (fd_ < 0)
        return;
    int result = 0;
    do
        result = ::flock(fd_, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return;
    heldByAnother_ = errno == EWOULDBLOCK;
    ::close(fd_);
    fd_ = -1;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace orl
