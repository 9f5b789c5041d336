// The preview page's link to the site view (src/preview/site_view.h): the
// tour in the site's own viewer, or what the site view needs. A site view
// opened from the link is reloaded whenever the tour changes (a new model:
// the script or a tile XML changed), as the page is.
'use strict';
(function () {
  var T = window.Tourwright;
  var opened = null;  // the window the link opened

  T.$('site-view-link').addEventListener('click', function (event) {
    event.preventDefault();
    opened = window.open(this.href, 'tourwright-site-view');
  });

  // Called with the model's "siteView" on every new model.
  T.renderSiteView = function (site) {
    var link = T.$('site-view-link');
    link.hidden = !site.url;
    if (site.url) link.href = site.url;
    T.$('site-view-needs').hidden = !!site.url;
    T.$('site-view-needs').textContent = site.url ? '' : site.needs || '';
    if (!opened || opened.closed || !site.url) return;
    try {
      opened.location.reload();
    } catch (error) {
      // It went on to another site's page: no longer the site view.
    }
  };
})();
