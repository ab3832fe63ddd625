#include "StyleBitmap.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <bit>

namespace StyleBitmapReader {
namespace {

constexpr quint32 kBiRgb = 0;
constexpr quint32 kBiBitfields = 3;
constexpr quint32 kBiAlphaBitfields = 6;
// Windows' own limit on the sides of a bitmap it creates.
constexpr qint64 kMaxSide = 65535;

class Bytes {
public:
    explicit Bytes(QByteArrayView data) : m_data(data) {}
    bool has(qint64 offset, qint64 length) const {
        return offset >= 0 && length >= 0 && offset <= m_data.size() && length <= m_data.size() - offset;
    }
    quint16 u16(qint64 at) const { return has(at, 2) ? qFromLittleEndian<quint16>(m_data.data() + at) : 0; }
    quint32 u32(qint64 at) const { return has(at, 4) ? qFromLittleEndian<quint32>(m_data.data() + at) : 0; }
    qint32 i32(qint64 at) const { return qint32(u32(at)); }
    const uchar* at(qint64 offset) const { return reinterpret_cast<const uchar*>(m_data.data() + offset); }

private:
    QByteArrayView m_data;
};

// One colour component under a mask, scaled to 0-255.
class Channel {
public:
    explicit Channel(quint32 mask) : m_mask(mask) {
        if (mask) {
            m_shift = std::countr_zero(mask);
            m_max = mask >> m_shift;
        }
    }
    bool present() const { return m_mask != 0; }
    quint32 mask() const { return m_mask; }
    uint value(quint32 pixel) const {
        if (!m_mask)
            return 0;
        return uint((quint64((pixel & m_mask) >> m_shift) * 255 + m_max / 2) / m_max);
    }

private:
    quint32 m_mask = 0;
    int m_shift = 0;
    quint32 m_max = 1;
};

struct Header {
    qint64 width = 0;
    qint64 height = 0; // negative: top row first
    int bitCount = 0;
    quint32 compression = kBiRgb;
    qint64 paletteEntries = 0;
    int paletteEntrySize = 4;
    quint32 masks[4] = {0, 0, 0, 0};
    qint64 paletteOffset = 0;
};

std::optional<Header> readHeader(const Bytes& bytes) {
    Header h;
    const quint32 headerSize = bytes.u32(0);
    if (!bytes.has(0, headerSize))
        return std::nullopt;
    if (headerSize == 12) {
        h.width = bytes.u16(4);
        h.height = bytes.u16(6);
        h.bitCount = bytes.u16(10);
        h.paletteEntrySize = 3;
    } else if (headerSize >= 40) {
        h.width = bytes.i32(4);
        h.height = bytes.i32(8);
        h.bitCount = bytes.u16(14);
        h.compression = bytes.u32(16);
        h.paletteEntries = bytes.u32(32);
        if (headerSize >= 52) {
            for (int i = 0; i < 3; ++i)
                h.masks[i] = bytes.u32(40 + 4 * i);
            if (headerSize >= 56)
                h.masks[3] = bytes.u32(52);
        }
    } else {
        return std::nullopt;
    }
    h.paletteOffset = headerSize;
    if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
        if (h.bitCount != 16 && h.bitCount != 32)
            return std::nullopt;
        if (headerSize == 40) {
            // The masks follow the header.
            const int count = h.compression == kBiAlphaBitfields ? 4 : 3;
            if (!bytes.has(40, qint64(count) * 4))
                return std::nullopt;
            for (int i = 0; i < count; ++i)
                h.masks[i] = bytes.u32(40 + 4 * i);
            h.paletteOffset += qint64(count) * 4;
        }
    } else if (h.compression != kBiRgb) {
        return std::nullopt;
    }
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
        if (h.paletteEntries == 0)
            h.paletteEntries = qint64(1) << h.bitCount;
        break;
    case 16:
    case 24:
    case 32:
        break;
    default:
        return std::nullopt;
    }
    return h;
}

QList<QRgb> readPalette(const Bytes& bytes, const Header& h, int bitCount) {
    QList<QRgb> palette(qint64(1) << bitCount, qRgb(0, 0, 0));
    const qint64 used = qMin<qint64>(h.paletteEntries, palette.size());
    for (qint64 i = 0; i < used; ++i) {
        const uchar* p = bytes.at(h.paletteOffset + i * h.paletteEntrySize);
        palette[i] = qRgb(p[2], p[1], p[0]);
    }
    return palette;
}

} // namespace

std::optional<StyleBitmap> decodeDib(QByteArrayView data, qint64 maxPixels) {
    const Bytes bytes(data);
    const auto header = readHeader(bytes);
    if (!header)
        return std::nullopt;
    const Header& h = *header;
    const bool topDown = h.height < 0;
    const qint64 width = h.width;
    const qint64 height = topDown ? -h.height : h.height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || width * height > maxPixels)
        return std::nullopt;

    // The palette (of a bitmap of more bits a pixel, an optional one the pixels follow).
    const qint64 paletteBytes = h.paletteEntries * h.paletteEntrySize;
    if (!bytes.has(h.paletteOffset, paletteBytes))
        return std::nullopt;
    const qint64 pixels = h.paletteOffset + paletteBytes;
    const qint64 stride = (width * h.bitCount + 31) / 32 * 4;
    // The last row may go without its padding.
    const qint64 lastRow = (width * h.bitCount + 7) / 8;
    if (!bytes.has(pixels, stride * (height - 1) + lastRow))
        return std::nullopt;

    quint32 masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (h.compression == kBiRgb) {
        if (h.bitCount == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
        } else {
            masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0;
        }
    }
    // An alpha mask the header gives is alpha as it stands, even where every pixel is
    // transparent. Without one, the byte a 32-bit pixel's colours leave free is alpha when
    // any pixel uses it, as the theme service reads it.
    bool hasAlpha = masks[3] != 0 && h.compression != kBiRgb;
    const bool implicitAlpha =
        !hasAlpha && h.bitCount == 32 && !((masks[0] | masks[1] | masks[2]) & 0xFF000000u);
    if (implicitAlpha)
        masks[3] = 0xFF000000u;
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

    if (implicitAlpha) {
        for (qint64 y = 0; y < height && !hasAlpha; ++y) {
            const uchar* row = bytes.at(pixels + y * stride);
            for (qint64 x = 0; x < width; ++x) {
                if (row[4 * x + 3] != 0) {
                    hasAlpha = true;
                    break;
                }
            }
        }
    }

    QImage image(int(width), int(height), hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    const QList<QRgb> palette = h.bitCount <= 8 ? readPalette(bytes, h, h.bitCount) : QList<QRgb>();
    for (qint64 y = 0; y < height; ++y) {
        const uchar* row = bytes.at(pixels + y * stride);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(topDown ? y : height - 1 - y)));
        for (qint64 x = 0; x < width; ++x) {
            switch (h.bitCount) {
            case 1:
                out[x] = palette[(row[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                out[x] = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
                break;
            case 8:
                out[x] = palette[row[x]];
                break;
            case 24:
                out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                break;
            default: {
                const quint32 pixel = h.bitCount == 32 ? qFromLittleEndian<quint32>(row + 4 * x)
                                                       : qFromLittleEndian<quint16>(row + 2 * x);
                out[x] = qRgba(int(red.value(pixel)), int(green.value(pixel)), int(blue.value(pixel)),
                               hasAlpha ? int(alpha.value(pixel)) : 255);
                break;
            }
            }
        }
    }
    return StyleBitmap{image, hasAlpha};
}

std::optional<StyleBitmap> decode(QByteArrayView data, qint64 maxPixels) {
    static const char kPngSignature[] = "\x89PNG\r\n\x1a\n";
    if (!data.startsWith(QByteArrayView(kPngSignature, 8)))
        return decodeDib(data, maxPixels);
    QByteArray bytes = QByteArray::fromRawData(data.data(), data.size());
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > maxPixels)
        return std::nullopt;
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    const bool hasAlpha = image.hasAlphaChannel();
    image.convertTo(hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return StyleBitmap{image, hasAlpha};
}

} // namespace StyleBitmapReader
