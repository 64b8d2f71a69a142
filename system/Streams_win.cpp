#include "Streams.h"

#include <QFile>
#include <QMetaObject>
#include <QMutex>
#include <QObject>

#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <io.h>

namespace rallon::system {

namespace {

// Windows waits on no pipe or console: a thread reads, and hands what it
// read to the event loop while the reader lives.
class InputReader : public QObject
{
public:
    InputReader(QObject *context, std::function<void(const QByteArray &octets)> take)
        : QObject(context), m_take(std::move(take))
    {
        current() = this;
        std::thread([] {
            char buffer[4096];
            for (;;) {
                const int count = ::_read(0, buffer, sizeof buffer);
                const QByteArray octets(buffer, count > 0 ? count : 0);
                const QMutexLocker locker(&currentLock());
                if (current())
                    QMetaObject::invokeMethod(current(), [input = current(), octets] { input->m_take(octets); },
                                              Qt::QueuedConnection);
                if (count <= 0)
                    return;
            }
        }).detach();
    }
    ~InputReader() override
    {
        const QMutexLocker locker(&currentLock());
        current() = nullptr;
    }

private:
    static InputReader *&current()
    {
        static InputReader *input = nullptr;
        return input;
    }
    static QMutex &currentLock()
    {
        static QMutex lock;
        return lock;
    }

    std::function<void(const QByteArray &octets)> m_take;
};

}  // namespace

void plainLineEnds()
{
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool lineEndsWithCr()
{
    return true;
}

void ignoreBrokenPipe() {}

bool alwaysHasDesktop()
{
    return true;
}

Input readWhole(const QString &path, int, qint64 limit, const std::function<bool()> &)
{
    QFile file(path);
    if (!(path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly)))
        return {Input::CannotRead, {}, file.errorString()};
    const QByteArray content = file.read(limit + 1);
    if (content.size() > limit)
        return {Input::TooLarge, {}, {}};
    return {Input::Read, content, {}};
}

void readStandardInput(QObject *context, std::function<void(const QByteArray &octets)> take)
{
    if (const intptr_t input = ::_get_osfhandle(0); input == -1 || input == -2)
        return;  // no standard input at all (-2: none given to the process)
    new InputReader(context, std::move(take));
}

}  // namespace rallon::system
