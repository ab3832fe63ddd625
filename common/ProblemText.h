#pragma once
// The words for what went wrong beneath the program (platform::Problem): the program's
// messages and the platform layer's diagnostic lines say it in these.

#include <string>
#include <string_view>

namespace platform {
struct Problem;
}

namespace quorlin {

// The problem in words; a file the sentence around them names already (namedFile) is not
// named again.
std::string problemText(const platform::Problem& problem, std::string_view namedFile = {});

// The problem as a sentence of its own: capitalised, with a full stop.
std::string problemSentence(const platform::Problem& problem);

// Gives the platform layer these words for its diagnostic lines.
void installProblemWords();

} // namespace quorlin
