#include "PreviewCommand.h"

#include "StyleApply.h"
#include "StyleCommands.h"
#include "platform/Paths.h"
#include "style/StyleFile.h"
#include "style/StylePreview.h"

namespace PreviewCommand {

Drawn draw(const QString& themes, const QString& style, const QString& colorScheme, const QString& size) {
    Drawn drawn;
    const QString styleFile = StyleCommands::findStyleFile(themes, style);
    if (styleFile.isEmpty()) {
        drawn.error = style + QStringLiteral(": ") + StyleCommands::noStyleFileMessage();
        return drawn;
    }
    const auto host = platform::toHostPath((themes + style + QLatin1Char('\\') + styleFile).toStdString());
    const StyleFile file =
        host ? StyleFile::fromHostPath(QString::fromStdString(host->string())) : StyleFile();
    // A file that cannot be read says so before any name is looked for in it.
    std::optional<int> color = 0;
    std::optional<int> sizeIndex = 0;
    if (file.isReadable()) {
        color = StyleApply::chosenColor(file, style, colorScheme, drawn.error);
        if (color)
            sizeIndex = StyleApply::chosenSize(file, style, size, drawn.error);
        if (!color || !sizeIndex)
            return drawn;
    }
    return draw(file, style, *color, *sizeIndex);
}

Drawn draw(const StyleFile& file, const QString& style, int colorIndex, int sizeIndex) {
    Drawn drawn;
    StylePreview::Result result = StylePreview::render(file, colorIndex, sizeIndex);
    if (result.image.isNull()) {
        drawn.error =
            QStringLiteral("Visual Style ") + style + QStringLiteral(" cannot be previewed: ") + result.error;
        return drawn;
    }
    drawn.image = std::move(result.image);
    return drawn;
}

Drawn draw(const appearance::ClassicLook& look, const QString& subject) {
    Drawn drawn;
    StylePreview::Result result = StylePreview::render(look);
    if (result.image.isNull()) {
        drawn.error = subject + QStringLiteral(" cannot be previewed: ") + result.error;
        return drawn;
    }
    drawn.image = std::move(result.image);
    return drawn;
}

} // namespace PreviewCommand
