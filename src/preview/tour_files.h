// The tour folder as the preview server reads it: a file is served only
// when it is a regular file that, once every link on its way is followed,
// still lies inside the folder. The check is made on the file opened, not
// on its name, so a link swapped between the check and the read cannot
// lead out.
#ifndef TOURWRIGHT_PREVIEW_TOUR_FILES_H_
#define TOURWRIGHT_PREVIEW_TOUR_FILES_H_

#include <cstdio>
#include <string>

namespace tourwright {

struct TourFolder {
  std::string path;      // as the run derives it
  std::string resolved;  // with every link followed, as the system names it
};

// False when the folder cannot be resolved (it does not exist).
bool openTourFolder(TourFolder* folder, const std::string& path);

// Opens the file `names` ("hall.tiles/f/a.jpg", names checked by
// mapRequestTarget) of the folder for reading in binary mode and gives its
// size; nullptr when it is missing, not a regular file, or outside the
// folder.
FILE* openTourFile(const TourFolder& folder, const std::string& names, long long* size);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_TOUR_FILES_H_
