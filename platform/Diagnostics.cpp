#include "platform/Diagnostics.h"

#include "platform/Problem.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

std::mutex g_mutex;
std::atomic<ProblemWords> g_words{nullptr};

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

void setProblemWords(ProblemWords words) {
    g_words = words;
}

std::string wordsFor(const Problem& problem, std::string_view namedFile) {
    if (const ProblemWords words = g_words.load())
        return words(problem, namedFile);
    std::string out = "problem " + std::to_string(static_cast<int>(problem.cause));
    if (!problem.subject.empty())
        out += " (" + problem.subject + ")";
    for (const Problem& under : problem.beneath)
        out += ": " + wordsFor(under, namedFile);
    return out;
}

void diagnose(const Problem& problem) {
    const std::string line = diagnosticName() + ": " + wordsFor(problem) + "\n";
    std::fputs(line.c_str(), stderr);
}

} // namespace platform
