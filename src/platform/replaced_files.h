// What replacing an output leaves behind it: the access the old file gave
// (its ACL and security context, beside the mode and group that
// beginOutput keeps), and the scratch files of outputs that a run killed
// outright (SIGKILL, a power cut) could not remove.
#ifndef TOURWRIGHT_PLATFORM_REPLACED_FILES_H_
#define TOURWRIGHT_PLATFORM_REPLACED_FILES_H_

#include <string>
#include <vector>

namespace tourwright {

// The scratch name of an output being written: "tw", eight letters or
// digits and ".part", short so that the longest base name still has room,
// and unlikely to meet another run's. `attempt` counts the names tried.
std::string outputScratchName(unsigned attempt);
bool isOutputScratchName(const char* name);

// Gives the new file open at `fd` the extended attributes of the file at
// `replaced` that carry access to it: its POSIX ACL and its security
// (SELinux) context, as `cp --preserve=all` and editors do. One that the
// file system or the system refuses is left out, and the new file keeps
// the mode and group it was given. Nothing on Windows.
void copyAccessAttributes(const char* replaced, int fd);

// The scratch file of an output, just created at `fd`, is held until it is
// closed: a later run that meets it knows it is not left over (POSIX; on
// Windows an open scratch file cannot be opened alone, which tells as much).
void holdOutputScratch(int fd);

// Removes from `folder` the output scratch files that ended runs left:
// regular files with the name above, last written before `before` (in the
// units of FileStamp::modified) and held by no live run. Returns their
// paths. The caller holds the tour's lock, so no run of its own tour is
// writing there.
std::vector<std::string> removeLeftOutputScratch(const std::string& folder, long long before);

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_REPLACED_FILES_H_
