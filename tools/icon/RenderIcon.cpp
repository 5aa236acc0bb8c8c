// Writes the program's icon as a PNG file of the given size, for the icon theme folders that the
// installation fills: render-application-icon <size> <file.png>
#include <QString>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "wizard/qt/ApplicationIcon.h"

int main(int argc, char** argv) {
    int size = 0;
    const std::string_view sizeText = argc == 3 ? argv[1] : "";
    const auto [end, error] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (sizeText.empty() || error != std::errc() || end != sizeText.data() + sizeText.size() || size < 16 ||
        size > 1024) {
        std::fprintf(stderr, "usage: render-application-icon <size 16..1024> <file.png>\n");
        return 2;
    }
    if (!synvora::DrawApplicationIconImage(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "render-application-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
