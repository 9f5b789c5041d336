// The panorama's image as the tour XML gives it: which levels of a tile set
// the panorama library can draw, the geometry and the tile URLs (the
// scene's preview strip first, then the levels from the smallest up, the
// tiles of the view first), tiles that do not come, and the moment the
// first picture of the start view is on the screen.
'use strict';
(function () {
  var T = window.Tourwright;
  var $ = T.$, make = T.make;

  // The geometry levels the library can take: square levels in whole tiles,
  // each a multiple of the next smaller one (size and tiles per side), the
  // largest level always among them.
  T.planImage = function (image, notices) {
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
  };

  T.describeShown = function (image, plan) {
    var element = image.elements > 1 ? 'image element ' + image.element + ' of ' + image.elements +
      (image.condition ? ' (if="' + image.condition + '", what a desktop browser gets)' : '') :
      'image element';
    if (!plan) return image.tileXml + ': ' + element + ', nothing the preview can show';
    if (plan.form === 'sphere') return image.tileXml + ': ' + element + ', sphere';
    var levels = plan.shown.map(function (l) { return l.width + ' px'; }).join(', ');
    return image.tileXml + ': ' + element + ', ' + (plan.form === 'cube' ? 'cube' :
      'multi-resolution cube, level' + (plan.shown.length > 1 ? 's ' : ' ') + levels +
      ' in ' + image.tileSize + ' px tiles') + (image.preview ? ', preview ' + image.preview : '');
  };

  // The library's geometry and source for a plan. The preview strip (six
  // faces l f r b u d in one picture) is the lowest level, kept while the
  // tiles load; the library loads the levels from the smallest up, and of
  // each only the tiles in view.
  T.imageSource = function (image, plan) {
    if (plan.form === 'sphere') {
      return { geometry: new Marzipano.EquirectGeometry([{ width: 4096 }]),
        source: new Marzipano.ImageUrlSource(function () {
          return { url: T.fileUrl(T.expand(plan.url, {})) };
        }, { retryDelay: 3600000 }), faceSize: 0 };
    }
    var first = plan.shown[0].width;
    var previewSize = first % 256 === 0 ? 256 : plan.shown[0].tile;
    var levels = plan.shown.map(function (l) { return { tileSize: l.tile, size: l.width }; });
    if (image.preview) levels.unshift({ tileSize: previewSize, size: previewSize, fallbackOnly: true });
    var offset = image.preview ? 1 : 0;
    return { geometry: new Marzipano.CubeGeometry(levels),
      source: new Marzipano.ImageUrlSource(function (tile) {
        if (tile.z < offset) {
          return { url: T.fileUrl(image.preview),
            rect: { x: 0, y: 'lfrbud'.indexOf(tile.face) / 6, width: 1, height: 1 / 6 } };
        }
        var url = plan.shown[tile.z - offset].url;
        return { url: T.fileUrl(T.expand(url, { s: tile.face, v: tile.y + 1, h: tile.x + 1 })) };
      }, { retryDelay: 3600000 }),
      faceSize: plan.form === 'multires' ? plan.shown[plan.shown.length - 1].width : 0 };
  };

  // A grid on every face, for a scene without a panorama (a gallery): the
  // viewer's grid preview.
  T.gridSource = function () {
    var canvas = document.createElement('canvas');
    canvas.width = canvas.height = 512;
    var context = canvas.getContext('2d');
    context.fillStyle = '#101216';
    context.fillRect(0, 0, 512, 512);
    context.strokeStyle = '#3c4450';
    context.lineWidth = 2;
    for (var i = 0; i <= 512; i += 64) {
      context.beginPath(); context.moveTo(i, 0); context.lineTo(i, 512); context.stroke();
      context.beginPath(); context.moveTo(0, i); context.lineTo(512, i); context.stroke();
    }
    return { geometry: new Marzipano.CubeGeometry([{ tileSize: 512, size: 512 }]),
      source: new Marzipano.SingleAssetSource(new Marzipano.StaticAsset(canvas)), faceSize: 0 };
  };

  // Ready once every tile asked for has come or failed, and one of them has;
  // the first picture is marked the first time a scene draws one.
  T.watchLoading = function (page, made, scene) {
    var store = made.layer().textureStore();
    var pending = 0, loaded = 0;
    store.addEventListener('textureStartLoad', function () { pending++; });
    store.addEventListener('textureLoad', function () { pending--; loaded++; });
    store.addEventListener('textureCancel', function () { pending--; });
    // The store retries a failed tile for ever; the source says that it failed.
    var failedTiles = {}, failedUrls = {};
    var source = made.layer().source();
    if (source.addEventListener) source.addEventListener('networkError', function (error, tile) {
      var key = [tile.face, tile.x, tile.y, tile.z].join();
      var url = source._sourceFromTile(tile).url;
      if (failedTiles[key] || page.scene !== made) return;
      failedTiles[key] = true;
      pending--;
      loaded++;  // drawn as missing
      if (!failedUrls[url]) missingTile(made, scene, tile, T.pathOfUrl(url));
      failedUrls[url] = true;
      onRender(false);  // nothing else may draw again
    });
    var stage = page.viewer.stage();
    function onRender(stable) {
      if (page.scene !== made) {
        stage.removeEventListener('renderComplete', onRender);
        return;
      }
      if (loaded > 0 && !performance.getEntriesByName('tourwright-first-picture').length) {
        performance.mark('tourwright-first-picture');
      }
      if (loaded > 0 && (stable || pending <= 0)) document.documentElement.dataset.state = 'ready';
    }
    stage.addEventListener('renderComplete', onRender);
  };

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
    // The library's pitch grows downwards.
    return { yaw: Math.atan2(v[0], -v[2]), pitch: -Math.atan2(v[1], Math.hypot(v[0], v[2])) };
  }
})();
