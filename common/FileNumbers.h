#pragma once
// The process-wide table of file numbers (1 to 511) that the file routines take their
// numbers from, as a BASIC runtime hands them out: a routine asks for the next free one,
// holds it while its file is open and gives it back when it closes the file.

namespace quorlin {

class FileNumbers {
public:
    static constexpr int Count = 511;

    // The lowest free number; RuntimeError 67 ("Too many files") when all are taken.
    // Asking does not take the number.
    static int freeFile();
    // Marks the number as holding an open file / gives it back.
    static void take(int number);
    static void release(int number);
    static bool isTaken(int number);
};

// Holds a file number for the lifetime of a scope.
class FileNumberHold {
public:
    FileNumberHold() : m_number(FileNumbers::freeFile()) { FileNumbers::take(m_number); }
    ~FileNumberHold() { FileNumbers::release(m_number); }
    FileNumberHold(const FileNumberHold&) = delete;
    FileNumberHold& operator=(const FileNumberHold&) = delete;
    int number() const { return m_number; }

private:
    int m_number;
};

} // namespace quorlin
