// The files and folders as they will be once the moves planned so far are made. A switch works out
// every step before it makes the first, so its later checks ("is the program path free now?") ask
// this view instead of the disk.
#pragma once

#include <string>
#include <vector>

namespace flipdeck {

class PlannedPaths {
public:
    // Whether a file or folder of that name will exist (`PathExists` for what no planned move touches).
    bool Exists(const std::string& path) const;

    // A planned move of a file or folder, with everything below it.
    void Move(const std::string& from, const std::string& to);
    // A planned new, empty folder.
    void Create(const std::string& path);

private:
    struct Change {
        std::string from;  // empty for a folder created
        std::string to;
    };
    std::vector<Change> changes_;
};

}  // namespace flipdeck
