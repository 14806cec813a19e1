// Whose catalogue a run works with. Deployment tools run programs as the local system account,
// whose own hive holds no catalogue: the catalogue lives in the hives of the users who work with
// the products, and such a run borrows one of them as its current user.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace flipdeck {

namespace seams {

// Whether this run is the local system account. Wine runs every program as its one user, so
// tests answer for the system account here.
extern std::function<bool()> RunsAsLocalSystem;

}  // namespace seams

// The real answer: the process token's user is S-1-5-18.
bool TokenIsLocalSystem();

// The loaded hives under HKEY_USERS that belong to users: all but those of the system and service
// accounts (S-1-5-18, which ".DEFAULT" also names, S-1-5-19, S-1-5-20) and the "_Classes" halves.
// A catalogue in those is never a user's.
std::vector<std::string> CatalogueUserHives();

// The user hive whose suite catalogue key was written last; empty when no user hive holds one.
std::string NewestCatalogueHive();

// Makes `hive` (a sub-key of HKEY_USERS) this process's HKEY_CURRENT_USER until it ends, so that
// every read and write of the current user goes there. False when the hive cannot be opened.
bool ActAsUserOf(const std::string& hive);

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
