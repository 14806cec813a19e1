// Whether the journal's folder and file may be acted on. An elevated or system-account run trusts
// only what administrators could have written: users may create folders under %ProgramData%, and
// a journal they planted there would have the next recovery register their DLL or write machine
// values. A folder or journal that anybody else could have written, or a folder that is a junction
// or another reparse point, is never read: it is moved aside and named to the user.
#pragma once

#include <functional>
#include <string>

namespace flipdeck {

namespace seams {

// The owner and access list of a file or folder as SDDL ("O:<owner>D:<acl>"), and whether it is a
// reparse point, read from the object itself without following a junction. False when it cannot be
// read. Wine keeps its own default owner and access list whatever is set: tests answer here.
extern std::function<bool(const std::string& path, std::string& sddl, bool& reparsePoint)> ReadPathSecurity;

}  // namespace seams

// Why what `sddl` protects could have been written by somebody other than the system, the
// administrators or `runAs` (the SID of this run's own account, an administrator): its owner is
// somebody else, or the access list lets somebody else change it. Empty when nobody else could.
std::string UntrustedBecause(const std::string& sddl, const std::string& runAs);

// The SID of the account this process runs as ("S-1-5-...").
std::string OwnAccountSid();

// Why `path` (the journal folder or the journal) must not be acted on, with its owner in `owner`;
// empty when it may.
std::string TrustProblem(const std::string& path, std::string& owner);

// Moves `path` aside as "<path>.untrusted-<UTC time>", the link itself where it is one, and answers
// the new name; empty when it could not be moved.
std::string SetAside(const std::string& path);

}  // namespace flipdeck
