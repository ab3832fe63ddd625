#pragma once
// The checkup log file on disk: a text file opened for output (created, or emptied when
// it exists), lines in the ANSI code page ended by CR LF, written through a buffer.
// Failures come back as the error numbers a Windows program reports for them (76 for a
// missing folder, 75 for a location that refuses the file, 61 for a full disk).

#include <QString>

#include <functional>
#include <string>

class LogFileWriter {
public:
    LogFileWriter() = default;
    ~LogFileWriter(); // closes an open file, keeping what was written
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    // Opens hostPath for output. 0, or the error number.
    int open(const QString& hostPath);
    // Adds one line (converted to Windows-1252) and CR LF. 0, or the error number of a
    // write that failed; the buffer goes to disk when it is full.
    int writeLine(const QString& text);
    // Writes what is buffered and closes. 0, or the error number (the file is closed
    // all the same).
    int close();
    // Closes without writing what is buffered and deletes the file.
    void discard();

    bool isOpen() const { return m_fd >= 0; }

private:
    int flush();

    int m_fd = -1;
    std::string m_path;
    std::string m_buffer;
};

// The checkup log's frame, the same whoever saves it: the head is the title line,
// "[DateTime] " with the general date and time, and a separator, each followed by
// afterLine(1, 2, 3); the tail is a separator and the end line. 0, or the error number
// of the line that failed.
int writeCheckupLogHead(LogFileWriter& file, const std::function<void(int line)>& afterLine = {});
int writeCheckupLogTail(LogFileWriter& file);
