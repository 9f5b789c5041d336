// A folder as the preview server reads it: a file is served only when it
// is a regular file that lies inside the folder, every link on its way
// followed. Confinement never rests on looking a name up twice: on POSIX
// every file is opened from the folder's own descriptor, component by
// component, never through a link that leads out (openat2 with
// RESOLVE_BENEATH where the kernel has it, else openat with O_NOFOLLOW and
// each link read and followed by hand). On Windows the file is opened and
// the final path of the opened handle must lie inside the folder's. A
// link swapped while a file is opened cannot lead out either way.
//
// The tour folder is one such folder; another (a site's root, served under
// a URL prefix) is opened and read the same way.
#ifndef TOURWRIGHT_PREVIEW_TOUR_FILES_H_
#define TOURWRIGHT_PREVIEW_TOUR_FILES_H_

#include <cstdio>
#include <string>

namespace tourwright {

struct TourFolder {
  std::string path;      // as the run derives it
  std::string resolved;  // with every link followed, as the system names it
  int descriptor = -1;   // POSIX: the folder, open for as long as it is served
  // POSIX: resolve component by component even where openat2 exists (for
  // the tests, which take both roads).
  bool byComponents = false;
};

// False when the folder cannot be opened (it does not exist).
bool openTourFolder(TourFolder* folder, const std::string& path);
void closeTourFolder(TourFolder* folder);

// Opens the file `names` ("hall.tiles/f/a.jpg", names checked by
// mapRequestTarget) of the folder for reading in binary mode and gives its
// size; nullptr when it is missing, not a regular file, or outside the
// folder. Never waits (a FIFO is refused, not opened for a writer).
FILE* openTourFile(const TourFolder& folder, const std::string& names, long long* size);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_TOUR_FILES_H_
