// Files outside the tour folder, for the modes that must write nothing
// beside the script: a private scratch file in the system's temporary
// folder and a sink for console lines that nobody is to see; and the
// pause that the tests of a whole run use to hold it at a known point.
#ifndef TOURWRIGHT_PLATFORM_SYSTEM_FILES_H_
#define TOURWRIGHT_PLATFORM_SYSTEM_FILES_H_

#include <cstdio>

namespace tourwright {

// Creates a new, empty scratch file that only this user can read, under a
// name no other file has ("tw" and six letters), in the system's temporary
// folder ($TMPDIR or /tmp; GetTempPath on Windows), open for writing and
// reading (readBackScratch). It has no name once created on POSIX, and is
// deleted when closed on Windows, so it is never reopened and nothing is
// left however the process ends (a signal between its creation and the
// removal of its name removes it, where scratch_cleanup.h's handler is
// installed). nullptr when none can be made;
// lastFileFailure() then names the path and the reason.
FILE* createTemporaryStream();

// A stream that swallows what is written to it (the null device).
FILE* openNullSink();

// For the tests of a whole run, which hold it at a known point instead of
// racing it: when TOURWRIGHT_TEST_PAUSE_AT is `point` and
// TOURWRIGHT_TEST_PAUSE names a pipe (a FIFO), waits there until a writer
// has opened and closed it, the first time the run passes there. Nothing
// otherwise, and nothing on Windows.
// The points: "read-back" (a long script line is read back from the
// file), "copied" (a script with a byte-order mark is copied, not yet
// compared with the file as it was opened), "parsed" (the same for the
// script parsed), "outputs" (both outputs written, neither in place),
// "placed" (the tour XML in place, the page not yet) and "temporary" (a
// temporary stream created, its name not yet removed).
void pauseForTest(const char* point);

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_SYSTEM_FILES_H_
