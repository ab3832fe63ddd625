#include "platform/Process.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

std::string systemErrorText(int code) {
    const DWORD error = static_cast<DWORD>(code);
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", length);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error) : win32::narrow(message);
}

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> args;
    // The system answers an empty line with the running program's own path.
    if (commandLine.empty())
        return args;
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(win32::wide(commandLine).c_str(), &count);
    if (!argv)
        return args;
    for (int i = 0; i < count; ++i)
        args.push_back(win32::narrow(argv[i]));
    ::LocalFree(argv);
    return args;
}

Problem startProcess(std::string_view commandLine, int showState) {
    const std::vector<std::string> args = splitCommandLine(commandLine);
    if (args.empty() || args[0].empty())
        return {Problem::NoProgram, std::string(commandLine)};
    std::wstring line = win32::wide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return {Problem::ProgramNotFound, args[0]};
        return {Problem::CannotStart, args[0], {}, static_cast<long>(error)};
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return {};
}

Problem startProcess(std::string_view commandLine, std::string_view argument, int showState) {
    // Windows hands a program its whole command line; the program splits it itself.
    std::string line(commandLine);
    line += ' ';
    line += argument;
    return startProcess(line, showState);
}

std::optional<std::string> findProgramOnPath(std::string_view name) {
    const std::wstring wideName = win32::wide(name);
    const DWORD needed = ::SearchPathW(nullptr, wideName.c_str(), L".exe", 0, nullptr, nullptr);
    if (needed == 0)
        return std::nullopt;
    std::wstring found(needed, L'\0');
    const DWORD length = ::SearchPathW(nullptr, wideName.c_str(), L".exe", needed, found.data(), nullptr);
    if (length == 0 || length >= needed)
        return std::nullopt;
    found.resize(length);
    return win32::narrow(found);
}

} // namespace platform
