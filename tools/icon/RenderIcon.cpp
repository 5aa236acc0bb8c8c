// Writes the program's icon, for the icon theme folders of the Linux installation and the
// resources of the Windows program:
//   render-application-icon <size> <file.png>   one PNG file of that size
//   render-application-icon --ico <file.ico>    a Windows icon file with every size Windows asks for
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "wizard/qt/ApplicationIcon.h"

namespace {

// The small sizes as device-independent bitmaps, which every Windows reads; 256 as PNG, as
// Windows keeps its large icons.
constexpr int kIcoSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
constexpr int kPngFromSize = 256;

void Put16(QByteArray& out, std::uint16_t value) {
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>(value >> 8));
}

void Put32(QByteArray& out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value & 0xffff));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

/// One image of the icon file: a 32-bit bitmap, bottom row first, with straight alpha and an
/// all-clear AND mask (the alpha decides), or PNG data.
QByteArray IconImage(int size) {
    const QImage image = synvora::DrawApplicationIconImage(size).convertToFormat(QImage::Format_ARGB32);
    QByteArray data;
    if (size >= kPngFromSize) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return data;
    }
    const int maskStride = ((size + 31) / 32) * 4;
    Put32(data, 40);
    Put32(data, static_cast<std::uint32_t>(size));
    Put32(data, static_cast<std::uint32_t>(size * 2));  // the colour rows and the mask rows
    Put16(data, 1);
    Put16(data, 32);
    Put32(data, 0);
    Put32(data, static_cast<std::uint32_t>(size * size * 4 + maskStride * size));
    for (int unused = 0; unused < 4; ++unused) {
        Put32(data, 0);
    }
    for (int row = size - 1; row >= 0; --row) {
        // Format_ARGB32 lies in memory as B, G, R, A on a little-endian machine, as the bitmap wants.
        data.append(reinterpret_cast<const char*>(image.constScanLine(row)), size * 4);
    }
    data.append(QByteArray(maskStride * size, '\0'));
    return data;
}

bool WriteIco(const QString& path) {
    std::vector<QByteArray> images;
    for (const int size : kIcoSizes) {
        images.push_back(IconImage(size));
    }
    QByteArray out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t at = 0; at < images.size(); ++at) {
        const int size = kIcoSizes[at];
        out.append(static_cast<char>(size >= 256 ? 0 : size));  // 0 stands for 256
        out.append(static_cast<char>(size >= 256 ? 0 : size));
        out.append('\0');
        out.append('\0');
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<std::uint32_t>(images[at].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(images[at].size());
    }
    for (const QByteArray& image : images) {
        out.append(image);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size() && file.flush();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--ico") {
        if (!WriteIco(QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "render-application-icon: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    int size = 0;
    const std::string_view sizeText = argc == 3 ? argv[1] : "";
    const auto [end, error] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (sizeText.empty() || error != std::errc() || end != sizeText.data() + sizeText.size() || size < 16 ||
        size > 1024) {
        std::fprintf(stderr,
                     "usage: render-application-icon <size 16..1024> <file.png>\n"
                     "       render-application-icon --ico <file.ico>\n");
        return 2;
    }
    if (!synvora::DrawApplicationIconImage(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "render-application-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
