// Null-modem cables between pseudo-terminals: NullModem N makes N pairs of
// ptys, prints each pair's two slave paths on a line of its own, and relays
// what is written on one slave to the other's input, both ways, until it is
// ended. Both slaves are raw, as a serial line is. A side whose reader lags
// is waited for (the other side's output stops), never overrun: no octet is
// dropped or reordered between two open ports. As with a real port, what
// reaches a port that no program holds open is lost, and what a program
// leaves unread when it closes the port is gone at the next open (a pty
// would keep both for the next program).
#define _XOPEN_SOURCE 700
#define _DEFAULT_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

enum { MaxPairs = 32, BufferSize = 4096 };

struct End {
    int master;
    int slave;  // held open, so the master never sees a hang-up
    int watch;  // the slave's opens and closes by programs
    int users;  // how many opens of the slave are not closed yet
    char path[64];
    char pending[BufferSize];  // read from this end, not yet written to its peer
    size_t length, offset;
};

static struct End ends[2 * MaxPairs];

static int openEnd(struct End *end)
{
    end->master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (end->master < 0 || grantpt(end->master) != 0 || unlockpt(end->master) != 0)
        return -1;
    const char *name = ptsname(end->master);
    if (!name || strlen(name) >= sizeof end->path)
        return -1;
    strcpy(end->path, name);
    end->slave = open(end->path, O_RDWR | O_NOCTTY);
    struct termios line;
    if (end->slave < 0 || tcgetattr(end->slave, &line) != 0)
        return -1;
    cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cflag &= ~HUPCL;
    cfsetspeed(&line, B4800);
    return tcsetattr(end->slave, TCSANOW, &line);
}

// Counts the opens and closes of the slaves; a port closed by its last
// program loses its unread input.
static void takeEvents(int notify, int count)
{
    char events[4096] __attribute__((aligned(__alignof__(struct inotify_event))));
    ssize_t got;
    while ((got = read(notify, events, sizeof events)) > 0) {
        for (char *at = events; at < events + got;) {
            const struct inotify_event *event = (const struct inotify_event *)at;
            for (int i = 0; i < count; ++i) {
                if (ends[i].watch != event->wd)
                    continue;
                if (event->mask & IN_OPEN)
                    ++ends[i].users;
                if ((event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) && ends[i].users > 0
                    && --ends[i].users == 0)
                    tcflush(ends[i].slave, TCIFLUSH);
            }
            at += sizeof *event + event->len;
        }
    }
}

static int failed(const char *what)
{
    fprintf(stderr, "NullModem: %s: %s\n", what, strerror(errno));
    return 1;
}

int main(int argc, char **argv)
{
    const int pairs = argc == 2 ? atoi(argv[1]) : 0;
    if (pairs < 1 || pairs > MaxPairs) {
        fprintf(stderr, "usage: NullModem PAIRS (1 to %d)\n", MaxPairs);
        return 2;
    }
    const int count = 2 * pairs;
    const int notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notify < 0)
        return failed("inotify");
    for (int i = 0; i < count; ++i) {
        if (openEnd(&ends[i]) != 0)
            return failed("a pseudo-terminal");
        ends[i].watch = inotify_add_watch(notify, ends[i].path, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
        if (ends[i].watch < 0)
            return failed(ends[i].path);
    }
    for (int i = 0; i < count; i += 2)
        printf("%s %s\n", ends[i].path, ends[i + 1].path);
    if (fflush(stdout) != 0)
        return failed("standard output");

    struct pollfd watched[2 * MaxPairs + 1];
    for (;;) {
        watched[count].fd = notify;
        watched[count].events = POLLIN;
        for (int i = 0; i < count; ++i) {
            const struct End *peer = &ends[i ^ 1];
            watched[i].fd = ends[i].master;
            watched[i].events = (ends[i].length == 0 ? POLLIN : 0) | (peer->length > 0 ? POLLOUT : 0);
        }
        if (poll(watched, count + 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            return failed("poll");
        }
        // An open is queued before the program can write: opens and closes
        // are taken before the octets they may precede.
        takeEvents(notify, count);
        for (int i = 0; i < count; ++i) {
            struct End *end = &ends[i], *peer = &ends[i ^ 1];
            if ((watched[i].revents & POLLIN) && end->length == 0) {
                const ssize_t got = read(end->master, end->pending, sizeof end->pending);
                if (got < 0 && errno != EAGAIN && errno != EINTR && errno != EIO)
                    return failed(end->path);
                if (got > 0) {
                    end->length = (size_t)got;
                    end->offset = 0;
                }
            }
            if (peer->length > 0 && end->users == 0) {
                peer->length = peer->offset = 0;  // no program holds this port open
                continue;
            }
            if ((watched[i].revents & POLLOUT) && peer->length > 0) {
                const ssize_t put = write(end->master, peer->pending + peer->offset, peer->length - peer->offset);
                if (put < 0 && errno != EAGAIN && errno != EINTR)
                    return failed(end->path);
                if (put > 0 && (peer->offset += (size_t)put) == peer->length)
                    peer->length = peer->offset = 0;
            }
        }
    }
}
