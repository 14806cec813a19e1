#include "steps/PlannedPaths.h"

#include "catalogue/Naming.h"

namespace flipdeck {

namespace {

// The part of `path` below `folder` ("" for the folder itself), or false when `path` is not at or below it.
bool Below(const std::string& path, const std::string& folder, std::string& rest)
{
    if (path.size() < folder.size() || !EqualsIgnoringCase(path.substr(0, folder.size()), folder))
        return false;
    if (path.size() > folder.size() && path[folder.size()] != '\\')
        return false;
    rest = path.substr(folder.size());
    return true;
}

}  // namespace

bool PlannedPaths::Exists(const std::string& path) const
{
    // Walk the changes back from the latest: a path that a move brought somewhere is asked again
    // where it came from; one that a move took away is gone.
    std::string asked = path;
    for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
        std::string rest;
        if (Below(asked, change->to, rest)) {
            if (change->from.empty())
                return rest.empty();
            asked = change->from + rest;
        } else if (!change->from.empty() && Below(asked, change->from, rest)) {
            return false;
        }
    }
    return PathExists(asked);
}

void PlannedPaths::Move(const std::string& from, const std::string& to) { changes_.push_back({from, to}); }

void PlannedPaths::Create(const std::string& path) { changes_.push_back({std::string(), path}); }

}  // namespace flipdeck
