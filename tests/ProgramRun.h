#pragma once
// A program of ours run as a user or a script runs it: in a process of its own, with the
// environment given, standard input from /dev/null, what it wrote on standard output and
// standard error kept.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace testing_support {

struct ProgramResult {
    int code = -1; // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

// The entries of this process's environment whose text starts with one of the prefixes
// ("PATH=", "ASAN_").
inline std::vector<std::string> inheritedEnvironment(const std::vector<std::string_view>& prefixes) {
    std::vector<std::string> out;
    for (char** e = environ; *e; ++e)
        for (const std::string_view prefix : prefixes)
            if (std::string_view(*e).starts_with(prefix)) {
                out.emplace_back(*e);
                break;
            }
    return out;
}

// The texts as the null-terminated array exec and spawn take (valid while texts lives).
inline std::vector<char*> execArray(std::vector<std::string>& texts) {
    std::vector<char*> array;
    for (std::string& text : texts)
        array.push_back(text.data());
    array.push_back(nullptr);
    return array;
}

// Runs argv[0] with the arguments and environment given; its output goes through files in
// scratch.
inline ProgramResult runProgram(std::vector<std::string> argv, std::vector<std::string> env,
                                const std::filesystem::path& scratch) {
    const std::vector<char*> argp = execArray(argv), envp = execArray(env);
    const std::filesystem::path out = scratch / "stdout", err = scratch / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    ProgramResult result;
    if (::posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argp.data(), envp.data()) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    auto readBack = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    result.out = readBack(out);
    result.err = readBack(err);
    return result;
}

} // namespace testing_support
