#include "platform/NameCharacters.h"

namespace platform {

bool hasForbiddenNameCharacter(std::string_view name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 32)
            return true;
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return true;
        default:
            break;
        }
    }
    return false;
}

} // namespace platform
