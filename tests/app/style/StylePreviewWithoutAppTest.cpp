// The preview drawn in a program without an application object: fonts cannot be used
// there, so the scene is drawn without its texts, at the same places.
#include "style/StyleFile.h"
#include "style/StyleLook.h"
#include "style/StylePreview.h"

#include "PreviewStyles.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

// Whether every pixel of rect is of one colour.
bool plain(const QImage& image, const QRect& rect) {
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixel(x, y) != image.pixel(rect.topLeft()))
                return false;
    return true;
}

} // namespace

TEST(StylePreviewWithoutApp, TheSceneIsDrawnWithoutItsTexts) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    const StylePreview::Result classic = StylePreview::render(StyleLook::standard());
    ASSERT_FALSE(classic.image.isNull()) << qPrintable(classic.error);
    const StylePreview::Scene& s = classic.scene;
    for (const QRect& text : {s.windowText, s.menuNormal, s.menuDisabled, s.menuSelected, s.messageText,
                              s.toolTip.adjusted(1, 1, -1, -1), s.okButton.adjusted(3, 3, -3, -3)})
        EXPECT_TRUE(plain(classic.image, text));
    // The captions are gradients: no pixel of their text's colour.
    const QRgb titleText = StyleLook::standard().colors[appearance::TitleText];
    for (int x = s.active.captionText.left(); x <= s.active.captionText.right(); ++x)
        for (int y = s.active.captionText.top(); y <= s.active.captionText.bottom(); ++y)
            EXPECT_NE(classic.image.pixel(x, y), titleText);

    const std::string style = testing_support::previewStyle().build();
    const StylePreview::Result drawn =
        StylePreview::render(StyleFile::fromData(QByteArray(style.data(), qsizetype(style.size()))));
    ASSERT_FALSE(drawn.image.isNull()) << qPrintable(drawn.error);
    EXPECT_TRUE(plain(drawn.image, drawn.scene.windowText));
    EXPECT_TRUE(plain(drawn.image, drawn.scene.messageText));
}
