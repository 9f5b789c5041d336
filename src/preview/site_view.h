// The site view: the tour as the site's web server will serve it, so that
// the site's own viewer can run it before upload. With a site root known
// and the tour folder lying under it, every path the preview server
// answers (but "/" and /_tourwright/) is a site path: ROOT/VR/xsl3v/krpano.js
// is /VR/xsl3v/krpano.js, and the tour folder ROOT/tours/palace is
// /tours/palace/. There the tour's page and tour XML (palace.htm,
// palace.xml) are the ones a run would write, written aside into
// temporary streams by the run's own writers, never into the tour folder;
// every other file comes from the disk, read-only and confined to the site
// root, so that a link from the tour folder to a tile set elsewhere under
// the root is followed and one out of the root is not. The preview page
// then asks for the tour's files at the tour's site path too.
//
// Without a site root, or with a tour folder outside it, the tour folder
// is served at "/" as before and nothing of a site is served.
#ifndef TOURWRIGHT_PREVIEW_SITE_VIEW_H_
#define TOURWRIGHT_PREVIEW_SITE_VIEW_H_

#include <cstdio>
#include <string>

#include "preview/tour_files.h"
#include "script/tour_model.h"

namespace tourwright {

// The viewer script a run's page loads, under the site root.
constexpr char kViewerScriptPath[] = "VR/xsl3v/krpano.js";

// Where the folder `tourResolved` lies under `rootResolved` (both with
// every link followed, as TourFolder::resolved has them): its names from
// the root joined with "/" ("tours/palace"; "" for the root itself).
// False when it lies elsewhere, or under a name no URL can carry (one the
// request rules of request_path.h refuse).
bool tourPathUnder(const std::string& rootResolved, const std::string& tourResolved,
                   std::string* tourPath);

// What a site path (decoded names, as mapRequestTarget gives them) is:
// the tour's page, its tour XML, or a file of the site root.
enum class SitePathKind { kTourPage, kTourXml, kSiteFile };
SitePathKind sitePathKind(const std::string& names, const std::string& tourPath,
                          const std::string& baseName);

// The tour's URL prefix for the page: "/" + tourPath + "/" ("/" for "").
std::string tourUrlPrefix(const std::string& tourPath);

// The tour's page (`xml` false) or tour XML as a run writes them from
// `tour`, whose tile XML files lie in `directory`: a stream read from its
// start, with its size. nullptr, with the reason in `problem`, when the run
// would write none (a tile XML missing or unreadable) or no temporary
// stream can be made. Nothing is printed, nothing written beside the tour.
FILE* writeTourFileAside(const Tour& tour, const std::string& directory,
                         const std::string& baseName, bool xml, long long* size,
                         std::string* problem);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_SITE_VIEW_H_
