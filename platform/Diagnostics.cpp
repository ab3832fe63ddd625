#include "platform/Diagnostics.h"

#include <mutex>

namespace platform {
namespace {

std::mutex g_mutex;

std::string& name() {
    static std::string n = "Quorlin";
    return n;
}

} // namespace

std::string diagnosticName() {
    std::lock_guard guard(g_mutex);
    return name();
}

void setDiagnosticName(const std::string& newName) {
    std::lock_guard guard(g_mutex);
    name() = newName;
}

} // namespace platform
