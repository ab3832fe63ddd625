#pragma once
// What the platform layer prints on stderr is signed with a name: the libraries' own,
// "Quorlin", unless the program using them gives its own.

#include <string>

namespace platform {

std::string diagnosticName();
void setDiagnosticName(const std::string& name);

} // namespace platform
