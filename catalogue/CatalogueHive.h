// Whose catalogue a run works with. Deployment tools run programs as the local system account,
// whose own hive holds no catalogue: the catalogue lives in the hives of the users who work with
// the products, and such a run borrows one of them as its current user.
#pragma once

#include <string>

namespace flipdeck {

// The sub-key of HKEY_USERS whose suite catalogue key was written last; empty when no hive there
// holds one.
std::string NewestCatalogueHive();

// Makes `hive` (a sub-key of HKEY_USERS) this process's HKEY_CURRENT_USER until it ends, so that
// every read and write of the current user goes there. False when the hive cannot be opened.
bool ActAsUserOf(const std::string& hive);

// The documents folder of the user whose hive `hive` is, as that user's shell folders name it;
// empty when the hive does not say.
std::string DocumentsFolderOf(const std::string& hive);

// When the current user holds no suite catalogue, acts as the user of the hive that was written
// last, and keeps the activity log in that user's documents folder; answers that hive, or empty
// when the current user stays as it is.
std::string BorrowCatalogueHive();

}  // namespace flipdeck
