// Whose catalogue a run works with. Deployment tools run programs as the local system account,
// whose own hive holds no catalogue: the catalogue lives in the hives of the users who work with
// the products, and such a run borrows one of them as its current user.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace flipdeck {

namespace seams {

// Whether this run is the local system account. Wine runs every program as its one user, so
// tests answer for the system account here.
extern std::function<bool()> RunsAsLocalSystem;

// Loads the hive of the user whose SID is `sid` from its profile file as HKEY_USERS\<sid>, and
// unloads it again. Wine keeps no profile hives to load: tests stand in for them.
extern std::function<bool(const std::string& sid)> LoadUserHive;
extern std::function<void(const std::string& sid)> UnloadUserHive;

}  // namespace seams

// The real answer: the process token's user is S-1-5-18.
bool TokenIsLocalSystem();

// The sub-key of HKEY_USERS that this process's HKEY_CURRENT_USER is: the hive ActAsUserOf made
// it, else the hive of the process's own user. Empty when neither is known.
std::string CurrentUserHive();

// The loaded hives under HKEY_USERS that belong to users: all but those of the system and service
// accounts (S-1-5-18, which ".DEFAULT" also names, S-1-5-19, S-1-5-20) and the "_Classes" halves.
// A catalogue in those is never a user's.
std::vector<std::string> CatalogueUserHives();

// The user hive whose suite catalogue key was written last; empty when no user hive holds one.
std::string NewestCatalogueHive();

// Makes `hive` (a sub-key of HKEY_USERS) this process's HKEY_CURRENT_USER until it ends, so that
// every read and write of the current user goes there. False when the hive cannot be opened.
bool ActAsUserOf(const std::string& hive);
// HKEY_CURRENT_USER is the process's own user's hive again.
void StopActingAsUser();

// A user's hive that is not loaded, loaded under HKEY_USERS\<sid> for as long as this lives. A
// recovery puts back a switch's changes to the hive of the user it acted for, who may have signed
// out since.
class UserHiveLoad {
public:
    UserHiveLoad() = default;
    UserHiveLoad(UserHiveLoad&& other) noexcept : sid_(std::move(other.sid_)) { other.sid_.clear(); }
    UserHiveLoad& operator=(UserHiveLoad&&) = delete;
    ~UserHiveLoad();
    // Loads it from the profile folder the machine's profile list names for `sid`; false when the
    // hive cannot be loaded (no such profile, no privilege, the file in use).
    bool Load(const std::string& sid);

private:
    std::string sid_;
};

// The documents folder of the user whose hive `hive` is, as that user's shell folders name it;
// empty when the hive does not say.
std::string DocumentsFolderOf(const std::string& hive);

struct HiveChoice {
    std::string borrowedHive;  // the sub-key of HKEY_USERS the run acts for; empty: the current user
    bool machineOnly = false;  // the run reads the machine's catalogue alone and writes none
};

// When the current user holds no suite catalogue, or is the local system account (whose own hive
// never counts), acts as the user of the hive that was written last and keeps the activity log in
// that user's documents folder. The system account with no user's catalogue to borrow uses the
// machine's catalogue only (UseMachineCatalogueOnly).
HiveChoice BorrowCatalogueHive();

}  // namespace flipdeck
