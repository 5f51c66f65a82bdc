// Pictures loaded from files or drawn by code.
#include "platform/forms/picture.h"

#include "platform/files/textfile.h"
#include "platform/forms/widgets_p.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>

using namespace formsp;

namespace {
const QImage& nullImage()
{
    static const QImage img;
    return img;
}
} // namespace

StdPicture::StdPicture() = default;
StdPicture::StdPicture(const QImage& image)
{
    if (!image.isNull()) img_ = std::make_shared<const QImage>(image);
}
StdPicture::~StdPicture() = default;
StdPicture::StdPicture(const StdPicture&) = default;
StdPicture& StdPicture::operator=(const StdPicture&) = default;

bool StdPicture::valid() const { return img_ && !img_->isNull(); }

long StdPicture::Handle() const
{
    if (!valid()) return 0;
    // Any stable non-zero number serves: the old code only tests it against 0.
    long h = static_cast<long>(img_->cacheKey() & 0x7FFFFFFF);
    return h == 0 ? 1 : h;
}

int StdPicture::pixelWidth() const { return valid() ? img_->width() : 0; }
int StdPicture::pixelHeight() const { return valid() ? img_->height() : 0; }
int StdPicture::Width() const { return pixelWidth() * 15; }
int StdPicture::Height() const { return pixelHeight() * 15; }
const QImage& StdPicture::image() const { return valid() ? *img_ : nullImage(); }

StdPicture LoadPicture(const std::string& path, bool* ok)
{
    if (ok) *ok = true;
    if (path.empty()) return StdPicture();
    // A name that is not UTF-8 cannot reach the file through Qt's own file
    // names: its bytes are read here and the picture decoded from memory.
    QBuffer buffer;
    QImageReader reader;
    if (textfile::isValidUtf8(path)) {
        reader.setFileName(qs(path));
    } else {
        auto bytes = textfile::readBytes(path);
        if (!bytes) {
            if (ok) *ok = false;
            return StdPicture();
        }
        buffer.setData(QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())));
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
    }
    // The format is found from the contents: pictures renamed by hand (a GIF
    // called .jpg) load all the same.
    reader.setDecideFormatFromContent(true);
    // Refuse absurd sizes from damaged headers instead of allocating them.
    QSize sz = reader.size();
    if (sz.isValid() && (static_cast<qint64>(sz.width()) * sz.height() > 64LL * 1024 * 1024)) {
        if (ok) *ok = false;
        return StdPicture();
    }
    QImage img = reader.read();
    if (img.isNull()) {
        if (ok) *ok = false;
        return StdPicture();
    }
    return StdPicture(img.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

std::string PictureFilePatterns()
{
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    std::string patterns;
    for (const char* ext : {"jpg", "jpeg", "bmp", "gif", "tif", "tiff", "png"}) {
        if (!readable.contains(QByteArray(ext)))
            continue;
        if (!patterns.empty()) patterns += ';';
        patterns += std::string("*.") + ext;
    }
    return patterns;
}

StdPicture PictureFromArt(const std::vector<std::string>& rows, const std::vector<std::pair<char, long>>& palette)
{
    std::size_t width = 0;
    for (const std::string& r : rows) width = std::max(width, r.size());
    if (rows.empty() || width == 0) return StdPicture();
    QImage img(static_cast<int>(width), static_cast<int>(rows.size()), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < rows[y].size(); ++x) {
            for (const auto& [c, colour] : palette) {
                if (c != rows[y][x]) continue;
                const long rgb = colour & 0xFFFFFF;
                img.setPixel(static_cast<int>(x), static_cast<int>(y),
                             qRgb(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                                  static_cast<int>((rgb >> 16) & 0xFF)));
                break;
            }
        }
    }
    return StdPicture(img);
}
