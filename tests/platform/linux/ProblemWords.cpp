// The registry's diagnostic lines are compared word for word: the tests of the platform
// layer give it the program's words, as the program and the libraries do.
#include "common/ProblemText.h"

namespace {

[[maybe_unused]] const bool g_words = (quorlin::installProblemWords(), true);

} // namespace
