// Hotspots drawn as the viewer draws them, from the attributes the tour XML
// gives them: a picture of the tour folder (a still image's photo, a gallery
// picture, a reference's icon) as itself, at its scale, and, when
// distorted, as a plane in the panorama turned by rx, ry and rz; a video
// player as a placeholder that names the video; the site's style images
// as themselves when the server has the site root, else, with the include
// files' styles, as the page's own marks. A picture that
// does not come is a marked gap, and the scene's notices name it.
'use strict';
(function () {
  var T = window.Tourwright;
  var make = T.make;
  // The viewer places a distorted hotspot this far from the eye, in the
  // same units as its picture's pixels.
  var DEPTH = 1000;
  var VIDEO_SIZE = [640, 360];  // the player's size before its video is known
  var MARKS = { cross: '\u2192', out: '\u21d7', still: '\u25a3', video: '\u25b6', gallery: '\u25a6',
    reference: 'i', marker: '\u25cc', explanation: 'T', home: '\u2302', object: '\u25a3' };

  function drawing(hotspot) {
    var x = hotspot.xml || {};
    var url = T.tourPath(x.url || '');
    var video = T.tourPath(x.videourl || '');
    var kind = T.urlKind(url);
    // A style image comes from the site root when the server has one.
    var style = kind === 'style' && T.siteServed;
    var how = kind === 'tour' || style ? 'picture' : video ? 'video' : 'mark';
    return { how: how, url: url, src: style ? url : T.fileUrl(url), video: video, distorted: String(x.distorted).toLowerCase() === 'true',
      scale: T.number(x.scale, 1), ath: T.number(x.ath, hotspot.ath || 0),
      atv: T.number(x.atv, hotspot.atv || 0),
      turn: 'rotateX(' + T.number(x.rx, 0) + 'deg) rotateY(' + T.number(x.ry, 0) + 'deg) rotateZ(' +
        T.number(x.rz, 0) + 'deg)' };
  }

  function sized(node, width, height) {
    node.style.width = width + 'px';
    node.style.height = height + 'px';
  }

  // A missing picture: a gap of the size the viewer would have given a
  // 256 px picture, marked, and a line in the scene's notices.
  function gap(path, d, hotspot, report) {
    var node = make('div', 'gap', 'missing: ' + path);
    sized(node, Math.round(256 * d.scale), Math.round(256 * d.scale));
    node.style.fontSize = Math.max(12, 256 * d.scale / 8) + 'px';
    report('missing picture ' + path + ' (' + hotspot.id + ')');
    return node;
  }

  // Places `hotspot` ({id, kind, caption, xml, elements}) in scene `made`;
  // `open` is called on a click, `report` with each problem found.
  T.placeHotspot = function (made, hotspot, label, open, report) {
    var d = drawing(hotspot);
    var plane = d.distorted && d.how !== 'mark' && !hotspot.broken;
    var node = make('div', 'hotspot kind-' + hotspot.kind + (hotspot.broken ? ' broken' : '') +
      (plane ? ' distorted' : ''));
    node.dataset.id = hotspot.id;
    node.dataset.kind = hotspot.kind;
    node.dataset.drawn = d.how;
    if (hotspot.elements > 1) node.dataset.merged = hotspot.elements;
    node.tabIndex = 0;
    var body = make('div', 'body');
    node.appendChild(body);
    if (hotspot.broken) {
      body.appendChild(make('span', 'mark', '\u2715'));
    } else if (d.how === 'picture') {
      var picture = make('img');
      picture.alt = d.url;
      picture.addEventListener('load', function () {
        sized(picture, picture.naturalWidth * d.scale, picture.naturalHeight * d.scale);
      });
      picture.addEventListener('error', function () {
        node.dataset.drawn = 'gap';
        body.replaceChild(gap(d.url, d, hotspot, report), picture);
      });
      picture.src = d.src;
      body.appendChild(picture);
    } else if (d.how === 'video') {
      var player = make('div', 'video-placeholder', '\u25b6 ' + d.video);
      sized(player, VIDEO_SIZE[0] * d.scale, VIDEO_SIZE[1] * d.scale);
      player.style.fontSize = Math.max(12, VIDEO_SIZE[1] * d.scale / 5) + 'px';
      body.appendChild(player);
    } else {
      body.appendChild(make('span', 'mark', MARKS[hotspot.kind] || '\u25cf'));
    }
    node.appendChild(make('span', 'caption', label));
    node.addEventListener('click', function () { open(hotspot); });
    var at = { yaw: T.radians(d.ath), pitch: T.radians(d.atv) };
    if (!plane) return made.hotspotContainer().createHotspot(node, at, {});
    // A plane's own caption would shrink with it: the caption shown on hover
    // stands beside it at the screen's scale.
    var caption = make('div', 'plane-caption');
    caption.appendChild(make('span', 'caption', label));
    made.hotspotContainer().createHotspot(caption, at, {});
    node.addEventListener('mouseenter', function () { caption.classList.add('shown'); });
    node.addEventListener('mouseleave', function () { caption.classList.remove('shown'); });
    return made.hotspotContainer().createHotspot(node, at,
      { perspective: { radius: DEPTH, extraTransforms: d.turn } });
  };

  // The hotspots of a gallery scene as written, with their kinds told by
  // the names and attributes the gallery writer gives them.
  T.galleryHotspots = function (gallery) {
    return gallery.hotspots.map(function (written) {
      var x = written.xml || {};
      var name = written.name;
      var kind = /^gohome/i.test(name) ? 'home' : /^explanation/i.test(name) ? 'explanation'
        : x.style === 'loading' ? 'marker' : x.videourl ? 'video' : 'object';
      var hover = /showtext\('([^']*)'/.exec(x.onhover || '');
      var home = /loadscene\(\s*([^),]*?)\s*[),]/i.exec(x.onclick || '');
      return { id: name, kind: kind, ath: T.number(x.ath, 0), atv: T.number(x.atv, 0),
        caption: hover ? hover[1] : name, xml: x, elements: written.elements,
        home: kind === 'home' && home ? home[1] : null };
    });
  };
})();
