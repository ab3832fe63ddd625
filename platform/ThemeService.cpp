#include "ThemeService.h"

#include "platform/ApplyThemeProtocol.h"

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

} // namespace platform
