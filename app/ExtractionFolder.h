#pragma once
// The folder an archive is extracted into, as the extraction sees it: stored folder paths
// resolved to folders on disk (an existing folder whose name differs only in case is
// used, as Windows would), missing folders created, and files written through temporary
// names beside their targets. Each folder is read once per extraction.
//
// Folders inside are named by paths relative to the extraction folder, '/'-separated,
// "" for the folder itself. Nothing is ever written through a symbolic link below it.

#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

class ExtractionFolder {
public:
    ExtractionFolder() = default;
    ~ExtractionFolder();
    ExtractionFolder(const ExtractionFolder&) = delete;
    ExtractionFolder& operator=(const ExtractionFolder&) = delete;

    // Opens the folder, creating it (and its parents) when missing. 0 or an errno value.
    int open(const std::filesystem::path& hostFolder);
    bool isOpen() const { return m_fd >= 0; }

    // The folder on disk for the first count stored components, created where missing.
    // 0, or an errno value with error saying why (ENOTDIR when a file is in the way).
    int resolve(const std::vector<std::string>& components, size_t count, std::string& folder,
                std::string& error);

    struct Existing {
        bool found = false;
        bool isFolder = false;
        std::string name; // as spelled on disk
    };
    Existing find(const std::string& folder, const std::string& name);

    // A new, empty temporary file in folder; the descriptor, or -1 with errno set.
    int createTemporary(const std::string& folder, std::string& tempPath);
    // Puts a complete temporary file in place of folder/name. 0 or an errno value.
    int commit(const std::string& tempPath, const std::string& folder, const std::string& name);
    void discard(const std::string& tempPath);

private:
    struct Listing {
        struct Child {
            std::string name;
            bool isFolder = false;
        };
        std::unordered_map<std::string, Child> byName;
        std::unordered_map<std::string, std::string> byFolded;
        void add(const std::string& name, bool isFolder);
        const Child* find(const std::string& name) const;
    };
    Listing& listing(const std::string& folder);

    int m_fd = -1;
    std::unordered_map<std::string, Listing> m_listings;     // by folder on disk
    std::unordered_map<std::string, std::string> m_resolved; // stored folder -> folder on disk
    unsigned m_tempCounter = 0;
};
