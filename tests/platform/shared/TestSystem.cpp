#include "TestSystem.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace shared_test {

fs::path ScratchFolder::makeFolder(std::string_view relative) const {
    const fs::path folder = host(relative);
    fs::create_directories(folder);
    return folder;
}

fs::path ScratchFolder::writeFile(std::string_view relative, std::string_view text) const {
    const fs::path file = host(relative);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
    return file;
}

std::string readHostFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace shared_test
