#pragma once
// The extraction tests' fixture: a Windows root of its own, the engine run with the install
// command's values unless a test changes them, and what the callbacks were told and asked.

#include "ArchiveBuilder.h"
#include "archive/ArchiveExtractor.h"
#include "platform/linux/TestRoot.h"

#include <gtest/gtest.h>

namespace testing_support {

class Extractor : public ::testing::Test {
protected:
    // Runs the engine with the install command's values unless the test changes them.
    int extract(const std::filesystem::path& archive, const std::string& target) {
        UnzipNameList none;
        options.archivePath = archive.string();
        options.targetFolder = target;
        return ArchiveExtractor::extract(includeCount, include, 0, none, options, callbacks);
    }
    int extract(const std::filesystem::path& archive) { return extract(archive, target().string() + "/"); }

    std::filesystem::path target() const { return root.themes(); }
    std::filesystem::path archive(const std::string& name) const { return root.root() / "archives" / name; }
    // Everything below the root that is not below the themes folder or an archive.
    std::vector<std::string> outsideTarget() const {
        std::vector<std::string> out;
        for (const std::string& p : tree(root.root())) {
            if (p.rfind("drive_c/windows/Resources/Themes/", 0) != 0 && p.rfind("archives/", 0) != 0)
                out.push_back(p);
        }
        return out;
    }
    // How many entries the engine said it skipped.
    size_t skipped() const {
        size_t count = 0;
        for (size_t at = printed.find("skipping:"); at != std::string::npos;
             at = printed.find("skipping:", at + 1))
            ++count;
        return count;
    }
    static bool hasTemporaryFiles(const std::filesystem::path& folder) {
        for (const std::string& p : tree(folder)) {
            if (p.find(".kolv~") != std::string::npos)
                return true;
        }
        return false;
    }

    void SetUp() override {
        std::filesystem::create_directories(root.root() / "archives");
        options.overwriteAll = 1;
        callbacks.print = [this](const char* text, std::uint32_t length) {
            printed += std::string(text, length);
            return 0;
        };
        callbacks.replace = [this](char* name) {
            asked.push_back(name);
            const int answer = answers.empty() ? ReplaceNo : answers.front();
            if (!answers.empty())
                answers.erase(answers.begin());
            return answer;
        };
        callbacks.password = [this](char*, int, const char*, const char* entry) {
            passwordAsked.push_back(entry);
            return 1;
        };
    }

    TestRoot root;
    UnzipOptions options;
    UnzipCallbacks callbacks;
    UnzipNameList include;
    int includeCount = 0;
    std::string printed;
    std::vector<std::string> asked;
    std::vector<int> answers;
    std::vector<std::string> passwordAsked;
};

} // namespace testing_support
