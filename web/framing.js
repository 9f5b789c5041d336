// How the viewer frames a scene: the scene element's view (fovtype, fov,
// hlookat, vlookat, fovmin, fovMAX, MAXpixelzoom, limitview) for a panorama
// area of a given size, kept through resizes as the viewer keeps it, and the
// view after a link's onclick. The panorama library takes a vertical field
// of view; the viewer takes the fov in the fovtype's direction, so a
// resize keeps the fov in that direction, not the vertical one.
'use strict';
(function () {
  var T = window.Tourwright;
  var MFOV_RATIO = 4 / 3;  // the viewer's mfovratio

  // The view of a scene element, from its attributes (all text); a scene
  // without a view element (a gallery) gets the viewer's defaults.
  T.viewOf = function (xml) {
    xml = xml || {};
    return {
      fovtype: String(xml.fovtype || 'VFOV').toUpperCase(),
      fov: T.number(xml.fov, 90),
      hlookat: T.number(xml.hlookat, 0),
      vlookat: T.number(xml.vlookat, 0),
      fovmin: T.number(xml.fovmin, 1),
      fovmax: T.number(xml.fovmax, 179),
      maxpixelzoom: T.number(xml.maxpixelzoom, 0),
      limitview: String(xml.limitview || 'auto').toLowerCase(),
    };
  };

  // The tangent of half the vertical field of view that shows `fov` degrees
  // of `fovtype` in an area of w x h pixels. MFOV: the fov is the horizontal
  // one of a 4:3 area; a wider area shows the same height, a narrower one
  // the same width.
  function halfTangent(fovtype, fov, w, h) {
    var t = Math.tan(T.radians(Math.min(Math.max(fov, 0.001), 179.999)) / 2);
    if (fovtype === 'HFOV') return t * h / w;
    if (fovtype === 'DFOV') return t * h / Math.hypot(w, h);
    if (fovtype === 'MFOV') return w / h >= MFOV_RATIO ? t / MFOV_RATIO : t * h / w;
    return t;
  }
  T.verticalFov = function (fovtype, fov, w, h) {
    return 2 * Math.atan(halfTangent(fovtype, fov, w, h));
  };
  // The fov in `fovtype` degrees of a vertical field of view (radians).
  T.fovOfVertical = function (fovtype, vertical, w, h) {
    var unit = halfTangent(fovtype, 90, w, h);  // tan(45) is 1
    return T.degrees(2 * Math.atan(Math.tan(vertical / 2) / unit));
  };

  // The panorama library's view parameters and limits for `view` in the
  // area `w` x `h`; `faceSize` the largest cube face (for MAXpixelzoom).
  T.startParameters = function (view, w, h) {
    return { yaw: T.radians(view.hlookat), pitch: T.radians(view.vlookat),
      fov: T.verticalFov(view.fovtype, view.fov, w, h) };
  };
  // The view's limits, and the fov kept in the fovtype's direction when
  // the area changes size (the library calls this with the new size and
  // the vertical fov of the old one). `faceSize`: the largest cube face,
  // for MAXpixelzoom.
  T.viewLimiter = function (view, faceSize) {
    var limits = [];
    // limitview "auto" on a whole sphere: the centre of the view goes up to
    // the poles and no further.
    if (view.limitview !== 'off') limits.push(Marzipano.RectilinearView.limit.pitch(-Math.PI / 2, Math.PI / 2));
    var size = null;
    limits.push(function (p) {
      if (!p.width || !p.height) return p;
      var was = size || { w: p.width, h: p.height };
      size = { w: p.width, h: p.height };
      var fov = T.fovOfVertical(view.fovtype, p.fov, was.w, was.h);
      var clamped = Math.min(Math.max(fov, view.fovmin), view.fovmax);
      p.fov = T.verticalFov(view.fovtype, clamped, p.width, p.height);
      return p;
    });
    if (view.maxpixelzoom > 0 && faceSize > 0) {
      limits.push(Marzipano.RectilinearView.limit.resolution(faceSize * view.maxpixelzoom));
    }
    return Marzipano.util.compose.apply(null, limits);
  };

  // Where a link's onclick turns the view after it loads its scene: the
  // lookat(h, v[, fov]) call after loadscene, or null.
  T.lookatAfterLoad = function (onclick) {
    var text = String(onclick || '');
    var load = text.search(/loadscene\s*\(/i);
    if (load < 0) return null;
    var found = /lookat\s*\(\s*([-+0-9.eE]+)\s*,\s*([-+0-9.eE]+)\s*(?:,\s*([-+0-9.eE]+)\s*)?\)/i
      .exec(text.slice(load));
    if (!found) return null;
    return { hlookat: T.number(found[1], 0), vlookat: T.number(found[2], 0),
      fov: found[3] === undefined ? null : T.number(found[3], null) };
  };
})();
