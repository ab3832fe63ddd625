// The preview scene drawn from a style file, or from a classic look: file in, picture
// out. Whatever the bytes, drawing ends within the bounds the renderer keeps, and gives a
// picture of the preview's size or a reason, never both and never neither; the scene it
// reports lies within the picture, and a click anywhere in it selects an item. The
// caption buttons' glyphs are also picked for part sizes the input chooses, and the input
// is decoded as a bitmap and read as the [SysMetrics] of a classic look, and its first
// bytes as a look's colours and sizes.
#include "FuzzCheck.h"
#include "style/StyleBitmap.h"
#include "style/StyleFile.h"
#include "style/StyleLook.h"
#include "style/StylePreview.h"
#include "style/ThemePart.h"
#include "style/Utf16Le.h"

#include <QGuiApplication>
#include <QPainter>

#include <cstdlib>
#include <cstring>

namespace {

void expectScene(const StylePreview::Result& result, uint64_t hash) {
    FUZZ_EXPECT(result.image.isNull() != result.error.isEmpty());
    if (result.image.isNull())
        return;
    FUZZ_EXPECT(result.image.size() == StylePreview::kSize);
    FUZZ_EXPECT(result.image.format() == QImage::Format_RGB32);
    const StylePreview::Scene& s = result.scene;
    FUZZ_EXPECT(s.desktop == QRect(QPoint(0, 0), StylePreview::kSize));
    for (const StylePreview::SceneWindow* w : {&s.inactive, &s.active, &s.messageBox})
        for (const QRect& r : {w->window, w->caption, w->closeButton, w->client})
            FUZZ_EXPECT(r.isEmpty() || s.desktop.contains(r));
    for (const QRect& r : {s.menuBar, s.windowArea, s.scrollBar, s.thumb, s.toolTip, s.okButton})
        FUZZ_EXPECT(r.isEmpty() || s.desktop.contains(r));
    const QPoint at(int(hash % uint64_t(s.desktop.width())),
                    int((hash >> 20) % uint64_t(s.desktop.height())));
    FUZZ_EXPECT(StylePreview::itemAt(s, at).has_value());
}

// The glyphs of the parts that have them, picked for a part of a size the input chooses
// and drawn into it.
void drawGlyphs(const StyleFile& file, uint64_t hash) {
    const auto text = file.iniText(0, 0);
    if (!text)
        return;
    const StyleIni ini = StyleIni::parse(*text);
    PartPainter parts(file, ini);
    const QSize size(int(hash % 80), int((hash >> 8) % 80));
    QImage canvas(80, 80, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    for (const char* part : {"MinButton", "MaxButton", "CloseButton"}) {
        const PartState state{"Window", part, "Normal", int((hash >> 16) % 9)};
        const QImage glyph = parts.glyph(state, size);
        FUZZ_EXPECT(qint64(glyph.width()) * glyph.height() <= PartPainter::kPixelBudget);
        parts.drawGlyph(painter, state, QRect(QPoint(0, 0), size));
    }
}

// A look whose colours and sizes are the input's first bytes, whatever they say.
appearance::ClassicLook rawLook(const QByteArray& bytes) {
    appearance::ClassicLook look = StyleLook::standard();
    std::memcpy(look.colors.data(), bytes.constData(),
                std::min(sizeof(QRgb) * look.colors.size(), size_t(bytes.size())));
    int numbers[11] = {};
    const qsizetype from = qsizetype(sizeof(QRgb) * look.colors.size());
    if (bytes.size() > from)
        std::memcpy(numbers, bytes.constData() + from, std::min(sizeof numbers, size_t(bytes.size() - from)));
    appearance::Metrics& m = *look.metrics;
    for (auto [field, number] : {std::pair{&m.borderWidth, 0},
                                 {&m.scrollWidth, 1},
                                 {&m.scrollHeight, 2},
                                 {&m.captionWidth, 3},
                                 {&m.captionHeight, 4},
                                 {&m.menuHeight, 5},
                                 {&m.paddedBorderWidth, 6},
                                 {&m.captionFont.height, 7},
                                 {&m.menuFont.height, 8},
                                 {&m.messageFont.height, 9},
                                 {&m.captionFont.weight, 10}})
        *field = numbers[number];
    look.gradientCaptions = numbers[0] & 1;
    look.flatMenus = numbers[1] & 1;
    return look;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Text is drawn with the fonts of a GUI application; no display is needed.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const StyleFile file = StyleFile::fromData(bytes);
    const uint64_t hash = fuzzing::hashOf(std::string_view(bytes.constData(), size_t(bytes.size())));
    // The first scheme, and another one chosen by the input.
    for (const int color : {0, int(hash % 3)})
        expectScene(StylePreview::render(file, color, 0), hash);
    drawGlyphs(file, hash);

    // The classic look: the input's own [SysMetrics], or its bytes taken as a look.
    if (hash & 0x100) {
        const StyleIni ini =
            StyleIni::parse(fromUtf16Le(bytes.constData(), bytes.size() / 2),
                            [](const QString& section) { return section == QLatin1String("sysmetrics"); });
        const StylePreview::Result classic = StylePreview::render(StyleLook::fromSysMetrics(ini));
        FUZZ_EXPECT(!classic.image.isNull());
        expectScene(classic, hash);
    } else {
        const StylePreview::Result classic = StylePreview::render(rawLook(bytes));
        FUZZ_EXPECT(!classic.image.isNull());
        expectScene(classic, hash);
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
