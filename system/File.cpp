#include "File.h"

#include "Reason.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

// What the C library offers alike on every system.

namespace rallon::system {

void File::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool File::regular(bool *regular, QString *error) const
{
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        *error = systemReason(errno);
        return false;
    }
    *regular = S_ISREG(status.st_mode);
    return true;
}

}  // namespace rallon::system
