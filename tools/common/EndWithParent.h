#pragma once

// Ties a simulator's life to the process that started it: when that process ends, however it ends (even
// killed), the simulator receives SIGTERM. `parent` is the process id the starter expects as the parent; if
// that process has already gone, the simulator receives SIGTERM at once instead of serving nobody.
// Returns false where the system cannot do this.

#ifdef __linux__
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

inline bool endWithParent(long parent) {
#ifdef __linux__
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0)
        return false;
    if (static_cast<long>(::getppid()) != parent)
        ::raise(SIGTERM);
    return true;
#else
    (void)parent;
    return false;
#endif
}
