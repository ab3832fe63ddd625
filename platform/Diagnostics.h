#pragma once
// What the platform layer prints on stderr is signed with a name: the libraries' own,
// "Quorlin", unless the program using them gives its own.

#include <string>
#include <string_view>

namespace platform {

struct Problem;

std::string diagnosticName();
void setDiagnosticName(const std::string& name);

// The words for a problem, which the program gives (the platform layer has none of its
// own); namedFile: a file the sentence around them names already.
using ProblemWords = std::string (*)(const Problem& problem, std::string_view namedFile);
void setProblemWords(ProblemWords words);
// The problem in the words given; without any, its cause's number and what it concerns.
std::string wordsFor(const Problem& problem, std::string_view namedFile = {});
// Prints "<name>: <the problem in words>" on stderr.
void diagnose(const Problem& problem);

} // namespace platform
