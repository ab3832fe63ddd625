#include "FileNumbers.h"

#include "RuntimeError.h"

#include <bitset>

namespace quorlin {

namespace {
std::bitset<FileNumbers::Count + 1>& taken() {
    static std::bitset<FileNumbers::Count + 1> numbers;
    return numbers;
}
} // namespace

int FileNumbers::freeFile() {
    for (int n = 1; n <= Count; ++n) {
        if (!taken().test(static_cast<size_t>(n)))
            return n;
    }
    throw RuntimeError(ErrTooManyFiles);
}

void FileNumbers::take(int number) {
    if (number >= 1 && number <= Count)
        taken().set(static_cast<size_t>(number));
}

void FileNumbers::release(int number) {
    if (number >= 1 && number <= Count)
        taken().reset(static_cast<size_t>(number));
}

bool FileNumbers::isTaken(int number) {
    return number >= 1 && number <= Count && taken().test(static_cast<size_t>(number));
}

} // namespace quorlin
