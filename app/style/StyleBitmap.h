#pragma once
// The bitmaps of a style: RT_BITMAP resources (a device-independent bitmap without its
// file header) and, in later styles, PNG images.
//
// DIBs are decoded here, not by Qt: the theme service takes the fourth byte of a 32-bit
// BI_RGB bitmap as straight alpha when any pixel has a non-zero one, which Qt's reader
// drops. Every size in a header is checked against the data; a bitmap larger than the
// caller's pixel budget is not decoded at all.

#include <QByteArrayView>
#include <QImage>

#include <optional>

struct StyleBitmap {
    // Format_ARGB32 (straight alpha) when hasAlpha, else Format_RGB32; top row first.
    QImage image;
    bool hasAlpha = false;
};

namespace StyleBitmapReader {

// A bitmap resource's data: a PNG by its signature, else a DIB.
std::optional<StyleBitmap> decode(QByteArrayView data, qint64 maxPixels);
// A DIB: header of 12 (OS/2), 40, 52, 56, 108 or 124 bytes; 1, 4, 8, 16, 24 or 32 bits a
// pixel; BI_RGB, or BI_BITFIELDS / BI_ALPHABITFIELDS for 16 and 32 bits. Compressed
// (RLE, JPEG, PNG) DIBs are not read.
std::optional<StyleBitmap> decodeDib(QByteArrayView data, qint64 maxPixels);

} // namespace StyleBitmapReader
