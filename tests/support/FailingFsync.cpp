// Preloaded into a program under test (LD_PRELOAD): fsync fails as on a
// disk that cannot write, but for its first FAILING_FSYNC_AFTER calls
// (none when unset). With FAILING_FSYNC_LOG set, each write (w), fsync (s)
// and flock(LOCK_UN) (u) on a file the program has locked in the log's
// folder is logged there, one letter each, in the order they happen.

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int MaxFd = 1024;
bool locked[MaxFd];  // the descriptors flock() has taken a lock on, of files in the log's folder

template <typename Function>
Function next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

using Write = ssize_t (*)(int, const void *, size_t);

void note(int fd, char call)
{
    static const char *const path = std::getenv("FAILING_FSYNC_LOG");
    if (!path || fd < 0 || fd >= MaxFd || !locked[fd])
        return;
    static const int log = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    static const Write write = next<Write>("write");
    write(log, &call, 1);
}

}  // namespace

extern "C" ssize_t write(int fd, const void *data, size_t size)
{
    static const Write write = next<Write>("write");
    const ssize_t written = write(fd, data, size);
    if (written > 0)
        note(fd, 'w');
    return written;
}

extern "C" int flock(int fd, int operation)
{
    static const auto flock = next<int (*)(int, int)>("flock");
    const int result = flock(fd, operation);
    if (result == 0 && (operation & LOCK_UN))
        note(fd, 'u');
    else if (result == 0 && fd >= 0 && fd < MaxFd) {
        const char *const log = std::getenv("FAILING_FSYNC_LOG");
        const char *const slash = log ? std::strrchr(log, '/') : nullptr;
        char name[4096] = {};
        const bool named = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name, sizeof name - 1) > 0;
        locked[fd] = slash && named && std::strncmp(name, log, size_t(slash - log + 1)) == 0;
    }
    return result;
}

extern "C" int fsync(int fd)
{
    static const auto fsync = next<int (*)(int)>("fsync");
    static const char *const after = std::getenv("FAILING_FSYNC_AFTER");
    static long working = after ? std::atol(after) : 0;
    note(fd, 's');
    if (working <= 0) {
        errno = EIO;
        return -1;
    }
    --working;
    return fsync(fd);
}
