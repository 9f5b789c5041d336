// The preview page: reads /_tourwright/tour.json about twice a second and
// shows the tour it describes with the panorama viewer it carries, as the
// tour XML a run writes gives it (the helpers: page_tools.js, framing.js,
// tiles.js, hotspots.js, site_view.js).
//
// tour.json, written afresh by the program at every request:
// {
//   "tour": "palace", "script": "examples/palace/palace.lst",
//   "saving": false,   // true while the script is being written: the rest
//                      // is the tour as last read whole
//   "files": "/",      // where the tour's files are asked for: "/", or the
//                      // tour's site path ("/tours/palace/") in the site view
//   "siteView": {"url": "/tours/palace/palace.htm"},  // the tour in the site's
//               // own viewer; without one {"needs": "..."} says what it needs
//   "scenes": [{
//     "number": 1,                      // the scene's place in the script, from 1
//     "name": "hall", "element": "hall",  // element: the scene element's name ("-copy")
//     "title": "...", "hlookat": 90, "vlookat": 0,
//     "loadable": true,                 // false: "unloadable" says why the viewer never loads it
//     "thumb": "hall.tiles/mobile_f.jpg",  // the scene element's thumburl
//     "view": {"fovtype": "HFOV", "fov": "120", ...},  // its view element's attributes
//     "image": {                        // the image block the tour XML copies
//       "tileXml": "hall.xml",
//       "form": "cube" | "multires" | "sphere" | "none",
//       "elements": 2, "element": 1,      // image elements in the file, the one shown
//       "condition": "!webvr",            // that element's if=, or ""
//       "tileSize": 512,                  // of a multi-resolution cube
//       "preview": "hall.tiles/preview.jpg",  // the scene's strip: six faces l f r b u d
//       "levels": [{"width": 1024, "height": 1024,   // 0 for a cube or a sphere
//                   "url": ["hall.tiles/", {"p": "s", "w": 1}, ".jpg"]}],
//       // url: literals (paths relative to the tour folder) and placeholders:
//       // "s" the face letter, "v" the row, "h" the column (from 1),
//       // zero-padded to "w" digits
//       "notices": ["..."]                // what cannot be shown, and why
//     },
//     "hotspots": [{
//       "id": "CrossLink-1-1", "name": "CrossLink-1-1",  // the written name
//       "kind": "cross" | "out" | "still" | "video" | "gallery" | "reference",
//       "ath": 120, "atv": -5, "caption": "...",
//       "elements": 1,                    // written elements of that name (merged)
//       "xml": {"url": "...", "scale": "0.5", ...},  // the written attributes
//       // cross:     "target", "lookat" (360: none), "scene" (its number) or
//       //            "gallery" ("S-G"), "broken", "warning" (when broken)
//       // out, still, video, reference: "opens" (a path or URL);
//       //            video: "inline"; reference: "how" ("url", "reference
//       //            viewer" or "window")
//       // gallery:   "gallery" ("S-G"), "objects": [{"kind": "image" |
//       //            "video" | "other", "file", "caption", "explanation"}]
//     }]
//   }],
//   "galleries": [{"name": "Gallery-1-1", "title": "...", "thumb": "...",
//                  "hotspots": [{"name", "elements", "xml"}]}],  // as written
//   "warnings": [{"line": 4, "text": "palace.lst:4: warning: ..."}]
// }
//
// The root element reports the page's state: data-state is "ready" once
// the current scene has drawn (or shows its notice), data-scene names it.
// The first time a picture of a scene is on the screen, the page sets the
// performance mark "tourwright-first-picture".
'use strict';
(function () {
  var T = window.Tourwright;
  var $ = T.$, make = T.make, clear = T.clear;
  var MODEL_URL = '/_tourwright/tour.json';
  var POLL_MS = 500;
  var KIND_WORDS = { cross: 'cross link', out: 'out link', still: 'still image', video: 'video',
    gallery: 'gallery entrance', reference: 'reference', object: 'gallery picture',
    marker: 'video marker', explanation: 'explanation', home: 'back to the scene' };
  var root = document.documentElement;
  var page = { text: null, model: null, current: null, viewer: null, scene: null };

  function poll() {
    fetch(MODEL_URL, { cache: 'no-store' }).then(function (response) {
      if (!response.ok) throw new Error(response.status);
      return response.text();
    }).then(function (text) {
      $('connection').hidden = true;
      if (text !== page.text) {
        page.text = text;
        var model = JSON.parse(text);
        $('saving').hidden = !model.saving;
        if (!model.saving || !page.model) render(model);
      }
    }).catch(function () {
      $('connection').hidden = false;
    }).then(function () { setTimeout(poll, POLL_MS); });
  }

  // Gallery scenes take the place of panorama scenes in the page's walk.
  function galleryScene(gallery) {
    return { element: gallery.name, name: gallery.name, title: gallery.title, thumb: gallery.thumb,
      gallery: gallery, loadable: true, view: null, hotspots: T.galleryHotspots(gallery) };
  }

  function render(model) {
    var previous = page.current;
    var view = page.scene ? page.scene.view().parameters() : null;
    model.galleryScenes = (model.galleries || []).map(galleryScene);
    page.model = model;
    document.title = model.tour + ' \u2014 Tourwright preview';
    $('tour-name').textContent = model.tour;
    $('script').textContent = model.script;
    T.filesUrl = model.files || '/';
    T.siteServed = T.filesUrl !== '/';  // the site root's files are served
    T.renderSiteView(model.siteView || {});
    renderSceneList($('scenes'), model.scenes);
    renderSceneList($('gallery-scenes'), model.galleryScenes);
    $('gallery-scenes').hidden = $('gallery-scenes').previousElementSibling.hidden =
      !model.galleryScenes.length;
    renderWarnings(model.warnings);
    var keep = previous && findScene(previous.element);
    if (keep) {
      showScene(keep, null, view && { yaw: view.yaw, pitch: view.pitch, fov: view.fov });
    } else if (model.scenes.length) {
      showScene(model.scenes[0], null, null);
    } else {
      showNoScene();
    }
  }

  // The scene element of that name, as loadscene() finds it.
  function findScene(name) {
    var key = String(name).toLowerCase();
    return page.model.scenes.concat(page.model.galleryScenes).filter(function (s) {
      return s.element.toLowerCase() === key;
    })[0] || null;
  }

  function thumbnail(scene) {
    var url = T.tourPath(scene.thumb || '');
    if (T.urlKind(url) !== 'tour') return make('span', 'thumb mark', '\u25a6');
    var picture = make('img', 'thumb');
    picture.alt = '';
    picture.addEventListener('error', function () {
      var missing = make('span', 'thumb gap', '\u2715');
      missing.title = 'missing thumbnail: ' + url;
      picture.parentNode.replaceChild(missing, picture);
    });
    picture.src = T.fileUrl(url);
    return picture;
  }

  function renderSceneList(list, scenes) {
    clear(list);
    scenes.forEach(function (scene) {
      var item = make('li', scene.loadable === false ? 'unloadable' : null);
      item.dataset.element = scene.element;
      var button = make('button', 'scene-link');
      button.type = 'button';
      button.appendChild(thumbnail(scene));
      button.appendChild(make('span', 'name', scene.element));
      button.appendChild(make('span', 'title', scene.title));
      button.addEventListener('click', function () { showScene(scene, null, null); });
      item.appendChild(button);
      list.appendChild(item);
    });
  }

  function renderWarnings(warnings) {
    var list = clear($('warnings'));
    $('warning-count').textContent = '(' + warnings.length + ')';
    warnings.forEach(function (warning) {
      list.appendChild(make('li', null, warning.text)).dataset.line = warning.line;
    });
    if (!warnings.length) list.appendChild(make('li', 'none', 'none'));
  }

  function markCurrent(scene) {
    [$('scenes'), $('gallery-scenes')].forEach(function (list) {
      Array.prototype.forEach.call(list.children, function (item) {
        item.classList.toggle('current', item.dataset.element === scene.element);
      });
    });
  }

  function showNoScene() {
    dropScene();
    page.current = null;
    root.dataset.scene = '';
    sceneNotice(['The script names no scene with a header line.']);
    root.dataset.state = 'ready';
  }

  function sceneNotice(lines) {
    var box = clear($('scene-notice'));
    lines.forEach(function (line) { box.appendChild(make('p', null, line)); });
    box.hidden = lines.length === 0;
  }

  function dropScene() {
    if (page.scene && page.viewer) page.viewer.destroyScene(page.scene);
    page.scene = null;
  }

  function viewer() {
    if (!page.viewer) page.viewer = new Marzipano.Viewer($('pano'), { stage: { progressive: true } });
    return page.viewer;
  }

  function notice(text) { $('notices').appendChild(make('li', null, text)); }

  // Shows `scene` at its view, turned as `lookat` says (a link's lookat()
  // after loadscene), or at `kept` (the library's parameters) when the
  // scene is drawn anew after a change of the script.
  function showScene(scene, lookat, kept) {
    root.dataset.state = 'loading';
    root.dataset.scene = scene.element;
    page.current = scene;
    markCurrent(scene);
    closePanel();
    dropScene();
    clear($('missing'));
    clear($('notices'));
    renderHotspotList(scene);
    if (scene.loadable === false) {
      $('image-shown').textContent = '';
      sceneNotice(['The viewer does not load this scene: ' + scene.unloadable + '.']);
      root.dataset.state = 'ready';
      return;
    }
    var drawn;
    if (scene.gallery) {
      $('image-shown').textContent = 'gallery scene: the viewer\u2019s grid';
      drawn = T.gridSource();
    } else {
      var notices = scene.image.notices.slice();
      var plan = T.planImage(scene.image, notices);
      $('image-shown').textContent = T.describeShown(scene.image, plan);
      notices.forEach(notice);
      if (!plan) {
        sceneNotice(['This scene cannot be shown: ' + scene.image.tileXml + ' gives no image the ' +
          'preview can draw.'].concat(notices));
        root.dataset.state = 'ready';
        return;
      }
      drawn = T.imageSource(scene.image, plan);
    }
    var framing = T.viewOf(scene.view);
    if (lookat) {
      framing.hlookat = lookat.hlookat;
      framing.vlookat = lookat.vlookat;
      if (lookat.fov !== null) framing.fov = lookat.fov;
    }
    var made;
    try {
      var area = $('pano');
      var start = kept || T.startParameters(framing, area.clientWidth, area.clientHeight);
      var view = new Marzipano.RectilinearView(start, T.viewLimiter(framing, drawn.faceSize));
      made = viewer().createScene({ source: drawn.source, geometry: drawn.geometry, view: view,
        pinFirstLevel: true });
    } catch (error) {
      sceneNotice(['This scene cannot be shown: ' + error.message]);
      root.dataset.state = 'ready';
      return;
    }
    sceneNotice([]);
    page.scene = made;
    page.framing = framing;
    var placed = {};
    scene.hotspots.forEach(function (hotspot) {
      var key = (hotspot.name || hotspot.id).toLowerCase();
      if (placed[key]) return;  // the viewer holds one hotspot per name
      placed[key] = true;
      if (hotspot.elements > 1) {
        notice(hotspot.elements + ' hotspots are named ' + (hotspot.name || hotspot.id) +
          ': the viewer keeps one, with the later elements\u2019 attributes over the first\u2019s');
      }
      T.placeHotspot(made, hotspot, hotspotLabel(hotspot), openHotspot, function (problem) {
        $('missing').appendChild(make('li', null, problem));
      });
    });
    if (scene.gallery) {
      made.switchTo({ transitionDuration: 0 });
      root.dataset.state = 'ready';
      return;
    }
    T.watchLoading(page, made, scene);
    made.switchTo({ transitionDuration: 0 });
  }

  function hotspotLabel(hotspot) {
    return hotspot.broken ? 'broken cross link: ' + hotspot.warning
      : KIND_WORDS[hotspot.kind] + ': ' + hotspot.caption;
  }

  function renderHotspotList(scene) {
    var list = clear($('hotspots'));
    scene.hotspots.forEach(function (hotspot) {
      var item = make('li', 'kind-' + hotspot.kind + (hotspot.broken ? ' broken' : ''));
      var button = make('button', 'scene-link', hotspotLabel(hotspot));
      button.type = 'button';
      button.title = hotspot.id + ' at ath ' + hotspot.ath + ', atv ' + hotspot.atv;
      button.addEventListener('click', function () {
        if (page.scene) page.scene.lookTo({ yaw: T.radians(hotspot.ath), pitch: T.radians(hotspot.atv) });
        openHotspot(hotspot);
      });
      item.appendChild(button);
      list.appendChild(item);
    });
    if (!scene.hotspots.length) list.appendChild(make('li', 'none', 'none'));
  }

  function openHotspot(hotspot) {
    var lookat = T.lookatAfterLoad(hotspot.xml && hotspot.xml.onclick);
    if (hotspot.kind === 'cross' && !hotspot.broken) {
      if (hotspot.gallery) return openGallery(hotspot.gallery);
      var target = page.model.scenes.filter(function (s) { return s.number === hotspot.scene; })[0];
      return target && showScene(target, lookat, null);
    }
    if (hotspot.kind === 'gallery') return openGallery(hotspot.gallery, hotspot);
    if (hotspot.kind === 'home') {
      var home = findScene(hotspot.home);
      return home && showScene(home, null, null);
    }
    var body = [];
    var x = hotspot.xml || {};
    if (hotspot.broken) body.push(make('p', null, hotspot.warning));
    if (hotspot.kind === 'out') body.push(make('p', null, 'Would load the tour ' + hotspot.opens + '.'));
    if (hotspot.kind === 'still' || hotspot.kind === 'object') {
      var photo = T.tourPath(x.url || hotspot.opens || '');
      body.push(make('p', null, 'Would fly in the photograph ' + photo + '.'));
      body.push(figure(photo, null));
    }
    if (hotspot.kind === 'video') {
      body.push(make('p', null, hotspot.inline || x.videourl
        ? 'Would play ' + (hotspot.opens || T.tourPath(x.videourl)) + ' in the scene.'
        : 'Would open the video tour ' + hotspot.opens + '.'));
    }
    if (hotspot.kind === 'reference') {
      body.push(make('p', null, 'Would open ' + hotspot.opens + ({ url: ' as a link.',
        'reference viewer': ' in the reference viewer.', window: ' in a window.' }[hotspot.how])));
    }
    if (hotspot.kind === 'explanation') body.push(make('p', null, 'Would open ' + (x.onclick || '') + '.'));
    openPanel(hotspotLabel(hotspot), body);
  }

  function figure(path, caption) {
    var node = make('figure');
    var picture = make('img');
    picture.alt = path;
    picture.src = T.fileUrl(path);
    picture.addEventListener('error', function () {
      node.replaceChild(make('p', 'missing', 'missing: ' + path), picture);
    });
    node.appendChild(picture);
    if (caption != null) node.appendChild(make('figcaption', null, caption));
    return node;
  }

  // A gallery entrance loads the gallery scene; the panel lists its objects.
  function openGallery(id, entrance) {
    var scene = findScene('Gallery-' + id);
    if (scene) showScene(scene, null, null);
    if (!entrance) return;
    var body = entrance.objects.map(function (object) {
      var node = object.kind === 'image' ? figure(object.file, object.caption)
        : make('p', 'object', object.kind + ' ' + object.file + ': ' + object.caption);
      node.classList.add('gallery-object');
      if (object.explanation) node.appendChild(make('p', null, 'explanation: ' + object.explanation));
      return node;
    });
    if (!body.length) body.push(make('p', null, 'This gallery has no objects.'));
    openPanel('Gallery ' + id + ': ' + entrance.caption, body);
  }

  function openPanel(title, body) {
    $('panel-title').textContent = title;
    var box = clear($('panel-body'));
    body.forEach(function (node) { box.appendChild(node); });
    $('panel').hidden = false;
  }
  function closePanel() { $('panel').hidden = true; }

  // The viewer's page fills the window: where the side panel narrows the
  // panorama area, the framing differs from the viewer's, and the page says so.
  function noteFraming() {
    var area = $('pano');
    var same = area.clientWidth === window.innerWidth && area.clientHeight === window.innerHeight;
    $('framing-note').hidden = same;
    $('framing-note').textContent = same ? '' : 'This area is ' + area.clientWidth + ' \u00d7 ' +
      area.clientHeight + '; the viewer\u2019s page fills the window (' + window.innerWidth +
      ' \u00d7 ' + window.innerHeight + ') and frames the view to it. Fold the side panel to see ' +
      'it as the viewer will.';
  }
  $('fold').addEventListener('click', function () {
    var folded = $('preview').classList.toggle('folded');
    $('fold').textContent = folded ? '\u25b6' : '\u25c0';
    $('fold').title = folded ? 'Show the side panel' : 'Fold the side panel away';
    noteFraming();
  });
  window.addEventListener('resize', noteFraming);

  $('panel-close').addEventListener('click', closePanel);
  noteFraming();
  poll();
  if (typeof Marzipano === 'undefined') {
    sceneNotice(['The panorama viewer did not load; the lists still show the tour.']);
  } else {
    // Made while the model is on its way: the first drawing context takes
    // long to make where there is no graphics processor.
    viewer();
    // The library follows the window's size only; the area changes with
    // the side panel too.
    new ResizeObserver(function () { page.viewer.updateSize(); }).observe($('pano'));
  }
})();
