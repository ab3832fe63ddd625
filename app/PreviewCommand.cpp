#include "PreviewCommand.h"

#include "StyleCommands.h"
#include "platform/Paths.h"
#include "style/StyleFile.h"
#include "style/StylePreview.h"

namespace PreviewCommand {
namespace {

// The index of the choice named, 0 for none named; nullopt (and why in error) for a name
// the style does not offer.
std::optional<int> chosen(const QList<StyleChoice>& choices, const std::optional<int>& index,
                          const QString& name, const QString& style, const char* what, QString& error) {
    if (name.isEmpty())
        return 0;
    if (index)
        return index;
    error = QStringLiteral("Visual Style ") + style + QStringLiteral(" has no ") + QLatin1String(what) +
            QLatin1Char(' ') + name + QStringLiteral("; it has: ") + describeChoices(choices);
    return std::nullopt;
}

} // namespace

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
        color = chosen(file.colorSchemes(), file.colorSchemeIndex(colorScheme), colorScheme, style,
                       "colour scheme", drawn.error);
        if (color)
            sizeIndex = chosen(file.sizes(), file.sizeIndex(size), size, style, "size", drawn.error);
        if (!color || !sizeIndex)
            return drawn;
    }
    StylePreview::Result result = StylePreview::render(file, *color, *sizeIndex);
    if (result.image.isNull()) {
        drawn.error =
            QStringLiteral("Visual Style ") + style + QStringLiteral(" cannot be previewed: ") + result.error;
        return drawn;
    }
    drawn.image = std::move(result.image);
    return drawn;
}

} // namespace PreviewCommand
