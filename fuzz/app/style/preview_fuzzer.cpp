// The preview drawn from a style file: file in, picture out. Whatever the bytes, drawing
// ends within the bounds the renderer keeps, and gives a picture of the preview's size
// or a reason, never both and never neither. The input is also decoded as a bitmap.
#include "FuzzCheck.h"
#include "style/StyleBitmap.h"
#include "style/StyleFile.h"
#include "style/StylePreview.h"
#include "style/ThemePart.h"

#include <QGuiApplication>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Text is drawn with the fonts of a GUI application; no display is needed.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const StyleFile file = StyleFile::fromData(bytes);
    // The first scheme, and another one chosen by the input.
    const int other = int(fuzzing::hashOf(std::string_view(bytes.constData(), size_t(bytes.size()))) % 3);
    for (const int color : {0, other}) {
        const StylePreview::Result result = StylePreview::render(file, color, 0);
        FUZZ_EXPECT(result.image.isNull() != result.error.isEmpty());
        if (!result.image.isNull()) {
            FUZZ_EXPECT(result.image.size() == StylePreview::kSize);
            FUZZ_EXPECT(result.image.format() == QImage::Format_RGB32);
        }
    }
    constexpr qint64 kBudget = 1 << 20;
    if (const auto bitmap = StyleBitmapReader::decode(QByteArrayView(bytes), kBudget)) {
        FUZZ_EXPECT(!bitmap->image.isNull());
        FUZZ_EXPECT(qint64(bitmap->image.width()) * bitmap->image.height() <= kBudget);
        FUZZ_EXPECT(bitmap->image.format() ==
                    (bitmap->hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32));
    }
    return 0;
}
