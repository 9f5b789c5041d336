// The preview page: reads /_tourwright/tour.json about twice a second and
// shows the tour it describes with the panorama viewer it carries.
//
// tour.json, written afresh by the program at every request:
// {
//   "tour": "palace", "script": "examples/palace/palace.lst",
//   "saving": false,   // true while the script is being written: the rest
//                      // is the tour as last read whole
//   "scenes": [{
//     "number": 1,                      // the scene's place in the script, from 1
//     "name": "hall", "element": "hall",  // element: the scene element's name ("-copy")
//     "title": "...", "hlookat": 90, "vlookat": 0,
//     "image": {
//       "tileXml": "hall.xml",
//       "form": "cube" | "multires" | "sphere" | "none",
//       "elements": 2, "element": 1,      // image elements in the file, the one shown
//       "condition": "!webvr",            // that element's if=, or ""
//       "tileSize": 512,                  // of a multi-resolution cube
//       "preview": "hall.tiles/preview.jpg",  // six faces in a strip, l f r b u d
//       "levels": [{"width": 1024, "height": 1024,   // 0 for a cube or a sphere
//                   "url": ["hall.tiles/", {"p": "s", "w": 1}, ".jpg"]}],
//       // url: literals (paths relative to the tour folder) and placeholders:
//       // "s" the face letter, "v" the row, "h" the column (from 1),
//       // zero-padded to "w" digits
//       "notices": ["..."]                // what cannot be shown, and why
//     },
//     "hotspots": [{
//       "id": "CrossLink-1-1", "kind": "cross" | "out" | "still" | "video" |
//       "gallery" | "reference", "ath": 120, "atv": -5, "caption": "...",
//       // cross:     "target", "lookat" (360: none), "scene" (its number) or
//       //            "gallery" ("S-G"), "broken", "warning" (when broken)
//       // out, still, video, reference: "opens" (a path or URL);
//       //            video: "inline"; reference: "how" ("url", "reference
//       //            viewer" or "window")
//       // gallery:   "gallery" ("S-G"), "objects": [{"kind": "image" |
//       //            "video" | "other", "file", "caption", "explanation"}]
//     }]
//   }],
//   "warnings": [{"line": 4, "text": "palace.lst:4: warning: ..."}]
// }
//
// The root element reports the page's state: data-state is "ready" once
// the current scene has drawn (or shows its notice), data-scene names it.
'use strict';
(function () {
  var MODEL_URL = '/_tourwright/tour.json';
  var POLL_MS = 500;
  var KIND_WORDS = { cross: 'cross link', out: 'out link', still: 'still image', video: 'video',
    gallery: 'gallery entrance', reference: 'reference' };
  var KIND_MARKS = { cross: '\u2192', out: '\u21d7', still: '\u25a3', video: '\u25b6',
    gallery: '\u25a6', reference: 'i' };
  var root = document.documentElement;
  var page = { text: null, model: null, current: null, viewer: null, scene: null };

  function $(id) { return document.getElementById(id); }
  function make(tag, className, text) {
    var node = document.createElement(tag);
    if (className) node.className = className;
    if (text != null) node.textContent = text;
    return node;
  }
  function clear(node) { while (node.firstChild) node.removeChild(node.firstChild); return node; }
  function radians(degrees) { return degrees * Math.PI / 180; }

  // A path relative to the tour folder as the server's URL for it.
  function fileUrl(path) {
    return '/' + path.split('/').map(encodeURIComponent).join('/');
  }
  function expand(parts, values) {
    return parts.map(function (part) {
      if (typeof part === 'string') return part;
      var text = String(values[part.p]);
      while (text.length < part.w) text = '0' + text;
      return text;
    }).join('');
  }

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

  function render(model) {
    var previous = page.current;
    var view = page.scene ? page.scene.view().parameters() : null;
    page.model = model;
    document.title = model.tour + ' \u2014 Tourwright preview';
    $('tour-name').textContent = model.tour;
    $('script').textContent = model.script;
    renderSceneList(model);
    renderWarnings(model.warnings);
    var keep = previous && findScene(function (s) { return s.element === previous.element; });
    if (keep) {
      showScene(keep, { yaw: view.yaw, pitch: view.pitch, fov: view.fov });
    } else if (model.scenes.length) {
      showScene(model.scenes[0], null);
    } else {
      showNoScene();
    }
  }

  function findScene(test) { return page.model.scenes.filter(test)[0] || null; }

  function renderSceneList(model) {
    var list = clear($('scenes'));
    model.scenes.forEach(function (scene) {
      var item = make('li');
      item.dataset.element = scene.element;
      var button = make('button', 'scene-link');
      button.type = 'button';
      button.appendChild(make('span', 'name', scene.element));
      button.appendChild(make('span', 'title', scene.title));
      button.addEventListener('click', function () { showScene(scene, null); });
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
    Array.prototype.forEach.call($('scenes').children, function (item) {
      item.classList.toggle('current', item.dataset.element === scene.element);
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

  function showScene(scene, view) {
    root.dataset.state = 'loading';
    root.dataset.scene = scene.element;
    page.current = scene;
    markCurrent(scene);
    closePanel();
    dropScene();
    clear($('missing'));
    renderHotspotList(scene);
    var image = scene.image;
    var notices = image.notices.slice();
    var plan = planImage(image, notices);
    $('image-shown').textContent = describeShown(image, plan);
    var list = clear($('notices'));
    notices.forEach(function (text) { list.appendChild(make('li', null, text)); });
    if (!plan) {
      sceneNotice(['This scene cannot be shown: ' + image.tileXml + ' gives no image the preview ' +
        'can draw.'].concat(notices));
      root.dataset.state = 'ready';
      return;
    }
    var made;
    try {
      made = makeScene(scene, plan, view);
    } catch (error) {
      sceneNotice(['This scene cannot be shown: ' + error.message].concat(notices));
      root.dataset.state = 'ready';
      return;
    }
    sceneNotice([]);
    page.scene = made;
    scene.hotspots.forEach(function (hotspot) { placeHotspot(made, hotspot); });
    watchLoading(made, scene);
    made.switchTo({ transitionDuration: 0 });
  }

  // The geometry levels the viewer can take: square levels in whole tiles,
  // each a multiple of the next smaller one (size and tiles per side), the
  // largest level always among them.
  function planImage(image, notices) {
    if (image.form === 'sphere') return { form: 'sphere', url: image.levels[0].url };
    if (image.form === 'cube') {
      return { form: 'cube', shown: [{ width: 1024, tile: 1024, url: image.levels[0].url }] };
    }
    if (image.form !== 'multires') return null;
    var tile = image.tileSize;
    var usable = image.levels.filter(function (level) {
      var ok = level.width === level.height && level.width % tile === 0;
      if (!ok) notices.push('level ' + level.width + '\u00d7' + level.height + ' is not shown: ' +
        'the viewer takes square faces in whole ' + tile + ' px tiles');
      return ok;
    }).sort(function (a, b) { return b.width - a.width; });
    if (!usable.length) return null;
    var shown = [usable[0]];
    usable.slice(1).forEach(function (level) {
      var above = shown[shown.length - 1];
      if (above.width % level.width === 0 && (above.width / tile) % (level.width / tile) === 0) {
        shown.push(level);
      } else {
        notices.push('level ' + level.width + ' px is not shown: the viewer needs each level ' +
          'to divide the next larger one (' + above.width + ' px)');
      }
    });
    shown.reverse();
    return { form: 'multires', shown: shown.map(function (level) {
      return { width: level.width, tile: tile, url: level.url };
    }) };
  }

  function describeShown(image, plan) {
    var element = image.elements > 1 ? 'image element ' + image.element + ' of ' + image.elements +
      (image.condition ? ' (if="' + image.condition + '", what a desktop browser gets)' : '') :
      'image element';
    if (!plan) return image.tileXml + ': ' + element + ', nothing the preview can show';
    if (plan.form === 'sphere') return image.tileXml + ': ' + element + ', sphere';
    var levels = plan.shown.map(function (l) { return l.width + ' px'; }).join(', ');
    return image.tileXml + ': ' + element + ', ' + (plan.form === 'cube' ? 'cube' :
      'multi-resolution cube, level' + (plan.shown.length > 1 ? 's ' : ' ') + levels +
      ' in ' + image.tileSize + ' px tiles') + (image.preview ? ', preview ' + image.preview : '');
  }

  function makeScene(scene, plan, view) {
    var image = scene.image;
    var geometry, source;
    if (plan.form === 'sphere') {
      geometry = new Marzipano.EquirectGeometry([{ width: 4096 }]);
      source = new Marzipano.ImageUrlSource(function () {
        return { url: fileUrl(expand(plan.url, {})) };
      }, { retryDelay: 3600000 });
    } else {
      var first = plan.shown[0].width;
      var previewSize = first % 256 === 0 ? 256 : plan.shown[0].tile;
      var levels = plan.shown.map(function (l) { return { tileSize: l.tile, size: l.width }; });
      if (image.preview) levels.unshift({ tileSize: previewSize, size: previewSize, fallbackOnly: true });
      var offset = image.preview ? 1 : 0;
      geometry = new Marzipano.CubeGeometry(levels);
      source = new Marzipano.ImageUrlSource(function (tile) {
        if (tile.z < offset) {
          return { url: fileUrl(image.preview),
            rect: { x: 0, y: 'lfrbud'.indexOf(tile.face) / 6, width: 1, height: 1 / 6 } };
        }
        var url = plan.shown[tile.z - offset].url;
        return { url: fileUrl(expand(url, { s: tile.face, v: tile.y + 1, h: tile.x + 1 })) };
      }, { retryDelay: 3600000 });
    }
    var start = view || { yaw: radians(scene.hlookat), pitch: radians(scene.vlookat), fov: radians(90) };
    var limiter = Marzipano.RectilinearView.limit.traditional(4096, radians(120));
    var marzipanoView = new Marzipano.RectilinearView(start, limiter);
    return viewer().createScene({ source: source, geometry: geometry, view: marzipanoView,
      pinFirstLevel: true });
  }

  // Ready once every tile asked for has come or failed, and one of them has.
  function watchLoading(made, scene) {
    var store = made.layer().textureStore();
    var pending = 0, loaded = 0;
    store.addEventListener('textureStartLoad', function () { pending++; });
    store.addEventListener('textureLoad', function () { pending--; loaded++; });
    store.addEventListener('textureCancel', function () { pending--; });
    // The store retries a failed tile for ever; the source says that it failed.
    var failedTiles = {}, failedUrls = {};
    made.layer().source().addEventListener('networkError', function (error, tile) {
      var key = [tile.face, tile.x, tile.y, tile.z].join();
      var url = made.layer().source()._sourceFromTile(tile).url;
      if (failedTiles[key] || page.scene !== made) return;
      failedTiles[key] = true;
      pending--;
      loaded++;  // drawn as missing
      if (!failedUrls[url]) missingTile(made, scene, tile, decodeURIComponent(url).slice(1));
      failedUrls[url] = true;
      onRender(false);  // nothing else may draw again
    });
    var stage = viewer().stage();
    function onRender(stable) {
      if (page.scene !== made) {
        stage.removeEventListener('renderComplete', onRender);
      } else if (loaded > 0 && (stable || pending <= 0)) {
        root.dataset.state = 'ready';
      }
    }
    stage.addEventListener('renderComplete', onRender);
  }

  function missingTile(made, scene, tile, path) {
    var preview = scene.image.preview === path;
    var text = preview || tile.face == null ? 'missing: ' + path : 'missing on face ' + tile.face +
      ' (row ' + (tile.y + 1) + ', column ' + (tile.x + 1) + '): ' + path;
    $('missing').appendChild(make('li', null, text));
    if (preview || tile.face == null) return;
    var level = made.layer().geometry().levelList[tile.z];
    var n = level.numHorizontalTiles();
    var marker = make('div', 'missing-tile', 'missing tile ' + tile.face + ' ' + (tile.y + 1) +
      '-' + (tile.x + 1));
    made.hotspotContainer().createHotspot(marker, tileDirection(tile.face, (tile.x + 0.5) / n - 0.5,
      0.5 - (tile.y + 0.5) / level.numVerticalTiles()));
  }

  // The direction of a point of a cube face (x right, y up, from -0.5 to 0.5).
  function tileDirection(face, x, y) {
    var turn = { f: [0, 0], b: [0, Math.PI], l: [0, Math.PI / 2], r: [0, -Math.PI / 2],
      u: [Math.PI / 2, 0], d: [-Math.PI / 2, 0] }[face];
    var v = [x, y, -0.5];
    var c = Math.cos(turn[0]), s = Math.sin(turn[0]);
    v = [v[0], v[1] * c - v[2] * s, v[1] * s + v[2] * c];
    c = Math.cos(turn[1]); s = Math.sin(turn[1]);
    v = [v[0] * c + v[2] * s, v[1], -v[0] * s + v[2] * c];
    // The viewer's pitch grows downwards.
    return { yaw: Math.atan2(v[0], -v[2]), pitch: -Math.atan2(v[1], Math.hypot(v[0], v[2])) };
  }

  function hotspotLabel(hotspot) {
    return hotspot.broken ? 'broken cross link: ' + hotspot.warning
      : KIND_WORDS[hotspot.kind] + ': ' + hotspot.caption;
  }

  function placeHotspot(made, hotspot) {
    var node = make('div', 'hotspot kind-' + hotspot.kind + (hotspot.broken ? ' broken' : ''));
    node.dataset.id = hotspot.id;
    node.dataset.kind = hotspot.kind;
    node.tabIndex = 0;
    node.appendChild(make('span', 'mark', hotspot.broken ? '\u2715' : KIND_MARKS[hotspot.kind]));
    node.appendChild(make('span', 'caption', hotspotLabel(hotspot)));
    node.addEventListener('click', function () { openHotspot(hotspot); });
    made.hotspotContainer().createHotspot(node, { yaw: radians(hotspot.ath), pitch: radians(hotspot.atv) });
  }

  function renderHotspotList(scene) {
    var list = clear($('hotspots'));
    scene.hotspots.forEach(function (hotspot) {
      var item = make('li', 'kind-' + hotspot.kind + (hotspot.broken ? ' broken' : ''));
      var button = make('button', 'scene-link', hotspotLabel(hotspot));
      button.type = 'button';
      button.title = hotspot.id + ' at ath ' + hotspot.ath + ', atv ' + hotspot.atv;
      button.addEventListener('click', function () {
        if (page.scene) page.scene.lookTo({ yaw: radians(hotspot.ath), pitch: radians(hotspot.atv) });
        openHotspot(hotspot);
      });
      item.appendChild(button);
      list.appendChild(item);
    });
    if (!scene.hotspots.length) list.appendChild(make('li', 'none', 'none'));
  }

  function openHotspot(hotspot) {
    if (hotspot.kind === 'cross' && !hotspot.broken) {
      if (hotspot.gallery) return openGallery(findGallery(hotspot.gallery), hotspot.caption);
      var target = findScene(function (s) { return s.number === hotspot.scene; });
      if (!target) return;
      var view = hotspot.lookat === 360 ? null
        : { yaw: radians(hotspot.lookat), pitch: 0, fov: radians(90) };
      return showScene(target, view);
    }
    if (hotspot.kind === 'gallery') return openGallery(hotspot, hotspot.caption);
    var body = [];
    if (hotspot.broken) body.push(make('p', null, hotspot.warning));
    if (hotspot.kind === 'out') body.push(make('p', null, 'Would load the tour ' + hotspot.opens + '.'));
    if (hotspot.kind === 'still') {
      body.push(make('p', null, 'Would fly in the photograph ' + hotspot.opens + '.'));
      body.push(figure(hotspot.opens, null));
    }
    if (hotspot.kind === 'video') {
      body.push(make('p', null, hotspot.inline ? 'Would play ' + hotspot.opens + ' in the scene.'
        : 'Would open the video tour ' + hotspot.opens + '.'));
    }
    if (hotspot.kind === 'reference') {
      body.push(make('p', null, 'Would open ' + hotspot.opens + ({ url: ' as a link.',
        'reference viewer': ' in the reference viewer.', window: ' in a window.' }[hotspot.how])));
    }
    openPanel(hotspotLabel(hotspot), body);
  }

  function findGallery(id) {
    var found = null;
    page.model.scenes.forEach(function (scene) {
      scene.hotspots.forEach(function (h) { if (h.kind === 'gallery' && h.gallery === id) found = h; });
    });
    return found;
  }

  function figure(path, caption) {
    var node = make('figure');
    var picture = make('img');
    picture.alt = path;
    picture.src = fileUrl(path);
    picture.addEventListener('error', function () {
      node.replaceChild(make('p', 'missing', 'missing: ' + path), picture);
    });
    node.appendChild(picture);
    if (caption != null) node.appendChild(make('figcaption', null, caption));
    return node;
  }

  function openGallery(gallery, caption) {
    if (!gallery) return openPanel('gallery', [make('p', null, 'This gallery is not in the tour.')]);
    var body = gallery.objects.map(function (object) {
      var node = object.kind === 'image' ? figure(object.file, object.caption)
        : make('p', 'object', object.kind + ' ' + object.file + ': ' + object.caption);
      node.classList.add('gallery-object');
      if (object.explanation) node.appendChild(make('p', null, 'explanation: ' + object.explanation));
      return node;
    });
    if (!body.length) body.push(make('p', null, 'This gallery has no objects.'));
    openPanel('Gallery ' + gallery.gallery + ': ' + caption, body);
  }

  function openPanel(title, body) {
    $('panel-title').textContent = title;
    var box = clear($('panel-body'));
    body.forEach(function (node) { box.appendChild(node); });
    $('panel').hidden = false;
  }
  function closePanel() { $('panel').hidden = true; }

  $('panel-close').addEventListener('click', closePanel);
  if (typeof Marzipano === 'undefined') {
    sceneNotice(['The panorama viewer did not load; the lists still show the tour.']);
  }
  poll();
})();
