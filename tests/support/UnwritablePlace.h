#pragma once
// The place where no one may write a file, for the tests of a refused report or point file:
// sysfs refuses a new file even to root. A chroot or container may have no sysfs mounted, so
// the tests ask first whether the place really refuses a file, and skip the case when not.
#include <fcntl.h>
#include <unistd.h>

#include <iostream>
#include <string>

namespace kinetra::testing {

inline const std::string kUnwritableDir = "/sys";

// Whether a new file in kUnwritableDir is refused (a probe file that could be made is removed).
inline bool unwritablePlaceRefuses()
{
    const std::string probe = kUnwritableDir + "/kinetra_probe_" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return true;
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
}

inline const char* kUnwritableSkipMessage =
    "/sys accepts new files here (no sysfs mounted): the refused-file case cannot be shown";

}  // namespace kinetra::testing
