#include "ThemeService.h"

#include "platform/ApplyThemeProtocol.h"
#include "platform/Codepage.h"

namespace platform {

ThemeOutcome themeOutcome(int code, const std::string& said) {
    ThemeOutcome outcome;
    outcome.why = {Problem::ProgramSaid, {}, said};
    switch (code) {
    case KOLV_APPLY_OK:
        outcome.kind = ThemeOutcome::Applied;
        outcome.why = {};
        break;
    case KOLV_APPLY_NO_STYLE_FILE:
    case KOLV_APPLY_REFUSED:
        outcome.kind = ThemeOutcome::Refused;
        break;
    case KOLV_APPLY_NOT_RECORDED:
        outcome.kind = ThemeOutcome::NotRecorded;
        break;
    default:
        outcome.kind = ThemeOutcome::Failed;
        break;
    }
    return outcome;
}

bool lookUsable(const Look& look) {
    if (!look.metrics)
        return true;
    for (const int32_t size : look.metrics->sizes)
        if (size < 0 || size > kLookMaxPixels)
            return false;
    for (const LookFont& font : look.metrics->fonts)
        if (font.height < -kLookMaxPixels || font.height > kLookMaxPixels || font.weight < 0 ||
            font.weight > 1000 || utf8ToUtf16(font.face).size() > KOLV_LOOK_FACE_UNITS ||
            font.face.find('\0') != std::string::npos)
            return false;
    return true;
}

} // namespace platform
