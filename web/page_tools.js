// Small helpers every script of the preview page shares, as window.Tourwright.
'use strict';
(function () {
  var T = window.Tourwright = window.Tourwright || {};

  T.$ = function (id) { return document.getElementById(id); };
  T.make = function (tag, className, text) {
    var node = document.createElement(tag);
    if (className) node.className = className;
    if (text != null) node.textContent = text;
    return node;
  };
  T.clear = function (node) { while (node.firstChild) node.removeChild(node.firstChild); return node; };
  T.radians = function (degrees) { return degrees * Math.PI / 180; };
  T.degrees = function (radians) { return radians * 180 / Math.PI; };
  T.number = function (text, fallback) {
    var value = parseFloat(text);
    return isFinite(value) ? value : fallback;
  };

  // A path relative to the tour folder as the server's URL for it (under
  // the tour's site path in the site view: the model's "files").
  T.filesUrl = '/';
  T.fileUrl = function (path) {
    return T.filesUrl + path.split('/').map(encodeURIComponent).join('/');
  };
  // The tour folder path of a URL T.fileUrl gave.
  T.pathOfUrl = function (url) {
    return decodeURIComponent(url.slice(T.filesUrl.length));
  };
  T.expand = function (parts, values) {
    return parts.map(function (part) {
      if (typeof part === 'string') return part;
      var text = String(values[part.p]);
      while (text.length < part.w) text = '0' + text;
      return text;
    }).join('');
  };

  // What a URL of the tour XML is to the page: "tour" (a file of the tour
  // folder, which the page asks the server for), "style" (the site's style
  // images), "site" (the viewer's own files, %SWFPATH%) or "outside" (another
  // host, or nothing the page can follow).
  T.urlKind = function (url) {
    if (!url) return 'outside';
    if (/^\/VR\/style\//i.test(url)) return 'style';
    if (/^%SWFPATH%/i.test(url)) return 'site';
    if (/^[a-z][a-z0-9+.-]*:|^\/\/|^\/|%/i.test(url)) return 'outside';
    return 'tour';
  };
  // A tour folder path of a URL the tour XML writes (%CURRENTXML% is the
  // tour folder).
  T.tourPath = function (url) {
    return url.replace(/^%CURRENTXML%\/?/i, '').replace(/\\/g, '/');
  };
})();
