// Preloaded into a program under test (LD_PRELOAD): fsync fails as on a
// disk that cannot write; everything else works.

#include <cerrno>

extern "C" int fsync(int)
{
    errno = EIO;
    return -1;
}
