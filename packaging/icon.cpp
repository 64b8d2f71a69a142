// rallon-icon: writes the window icon as a PNG for the desktop's menus, or
// as a Windows icon file holding the sizes Windows shows (16 to 256, each a
// PNG, as Windows Vista and later read them) for the programs' resources.
//   rallon-icon SIZE FILE.png
//   rallon-icon FILE.ico

#include "Artwork.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace rallon::kit;

namespace {

QByteArray png(int size)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    return artwork::windowIcon(size).pixmap(size, size).save(&buffer, "PNG") ? data : QByteArray();
}

// ICONDIR, one ICONDIRENTRY per image, then the images.
bool writeIco(const QString &path)
{
    const std::vector<int> sizes{16, 24, 32, 48, 64, 256};
    std::vector<QByteArray> images;
    for (int size : sizes) {
        images.push_back(png(size));
        if (images.back().isEmpty())
            return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(sizes.size());
    quint32 offset = 6 + 16 * sizes.size();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const quint8 side = sizes[i] >= 256 ? 0 : quint8(sizes[i]);  // 0 stands for 256
        out << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32)
            << quint32(images[i].size()) << offset;
        offset += images[i].size();
    }
    for (const QByteArray &image : images)
        out.writeRawData(image.constData(), image.size());
    return out.status() == QDataStream::Ok && file.flush();
}

}  // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc == 2 && QString::fromLocal8Bit(argv[1]).endsWith(QLatin1String(".ico")))
        return writeIco(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    const int size = argc == 3 ? std::atoi(argv[1]) : 0;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "usage: rallon-icon SIZE FILE.png  (SIZE 16 to 1024)\n"
                             "       rallon-icon FILE.ico\n");
        return 2;
    }
    return artwork::windowIcon(size).pixmap(size, size).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
