#include "preview/site_view.h"

#include <gtest/gtest.h>

namespace tourwright {
namespace {

TEST(SiteViewTest, FindsTheTourUnderTheSiteRoot) {
  const struct {
    const char* root;
    const char* tour;
    bool under;
    const char* tourPath;
  } cases[] = {
      {"/srv/site", "/srv/site/tours/palace", true, "tours/palace"},
      {"/srv/site", "/srv/site", true, ""},
      {"/", "/tours/palace", true, "tours/palace"},
      {"C:\\site", "C:\\site\\tours\\palace", true, "tours/palace"},
      {"/srv/site", "/srv/site2/palace", false, ""},
      {"/srv/site", "/srv", false, ""},
      {"/srv/site", "/srv/site/.hidden/palace", false, ""},
      {"/srv/site", "/srv/site/_tourwright/palace", false, ""},
      {"/srv/site", "/srv/site/_tourwrights/palace", true, "_tourwrights/palace"},
      {"/srv/site", "/srv/site/a:b", false, ""},
      {"", "/srv/site", false, ""},
  };
  for (const auto& c : cases) {
    std::string tourPath = "unset";
    EXPECT_EQ(tourPathUnder(c.root, c.tour, &tourPath), c.under) << c.root << " " << c.tour;
    if (c.under) {
      EXPECT_EQ(tourPath, c.tourPath) << c.tour;
    }
  }
}

TEST(SiteViewTest, TellsTheTourPageAndTourXmlFromTheSiteFiles) {
  const struct {
    const char* names;
    const char* tourPath;
    SitePathKind kind;
  } cases[] = {
      {"tours/palace/palace.htm", "tours/palace", SitePathKind::kTourPage},
      {"tours/palace/palace.xml", "tours/palace", SitePathKind::kTourXml},
      {"palace.xml", "", SitePathKind::kTourXml},
      {"tours/palace/hall.xml", "tours/palace", SitePathKind::kSiteFile},
      {"palace.xml", "tours/palace", SitePathKind::kSiteFile},
      {"tours/palace/sub/palace.xml", "tours/palace", SitePathKind::kSiteFile},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sitePathKind(c.names, c.tourPath, "palace"), c.kind) << c.names;
  }
}

}  // namespace
}  // namespace tourwright
