#include "support/reference_image.h"

#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int channel_tolerance = 24;

QImage to_image(const std::vector<uint8_t>& rgba, int width, int height)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), rgba.data() + static_cast<size_t>(y) * width * 4,
                    static_cast<size_t>(width) * 4);
    return image;
}

}  // namespace

std::string reference_image_compare(const std::string& name, const std::vector<uint8_t>& rgba,
                                    int width, int height)
{
    std::string path = std::string(VIREO_REFERENCE_DIR) + "/" + name + ".png";
    QImage actual = to_image(rgba, width, height);
    const char* update = std::getenv("VIREO_UPDATE_REFERENCES");
    if (update && std::strcmp(update, "1") == 0) {
        actual.save(QString::fromStdString(path));
        return "";
    }
    QImage expected(QString::fromStdString(path));
    if (expected.isNull())
        return "no reference picture " + path + " (VIREO_UPDATE_REFERENCES=1 writes it)";
    expected = expected.convertToFormat(QImage::Format_RGBA8888);
    if (expected.width() != width || expected.height() != height)
        return "the reference picture has another size";
    int differing = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = actual.constScanLine(y);
        const uint8_t* e = expected.constScanLine(y);
        for (int x = 0; x < width * 4; x += 4) {
            for (int c = 0; c < 3; ++c) {
                if (std::abs(a[x + c] - e[x + c]) > channel_tolerance) {
                    ++differing;
                    break;
                }
            }
        }
    }
    if (differing * 100 > width * height) {
        actual.save(QString::fromStdString(name + ".actual.png"));
        return std::to_string(differing) + " pixels differ from " + path;
    }
    return "";
}
