// Appended to a copy of a game log and run by headless Chromium once every image has loaded (or
// failed). It writes one line into the page, "PROBE images=N broken=N problems=...", that the
// test reads from the dumped page. Pixels are read through a canvas (the browser is started with
// --allow-file-access-from-files so that the log's own pictures may be read).
window.addEventListener('load', function () {
  var problems = [];
  var images = document.images;
  var broken = 0;
  var canvas = document.createElement('canvas');
  var context = canvas.getContext('2d');

  function name(image) {
    return image.getAttribute('src').replace(/^diagram\//, '');
  }
  // The pixels of an image as drawn alone: {width, height, at(x, y) -> [r, g, b, a]}.
  function pixels(image) {
    canvas.width = image.naturalWidth;
    canvas.height = image.naturalHeight;
    context.clearRect(0, 0, canvas.width, canvas.height);
    context.drawImage(image, 0, 0);
    var data = context.getImageData(0, 0, canvas.width, canvas.height).data;
    return {
      width: canvas.width,
      height: canvas.height,
      at: function (x, y) {
        var i = (y * canvas.width + x) * 4;
        return [data[i], data[i + 1], data[i + 2], data[i + 3]];
      }
    };
  }
  function dark(p) { return p[3] > 200 && p[0] + p[1] + p[2] < 300; }
  // Opaque pixels of a square's man, and how many of them are light.
  function manPixels(p) {
    var opaque = 0, light = 0;
    for (var y = 0; y < p.height; y++)
      for (var x = 0; x < p.width; x++) {
        var c = p.at(x, y);
        if (c[3] < 200) continue;
        opaque++;
        if (c[0] + c[1] + c[2] > 600) light++;
      }
    return {opaque: opaque, light: light};
  }
  // Some dark pixels inside the box: a letter or digit was drawn there.
  function inked(p, x0, y0, x1, y1) {
    var count = 0;
    for (var y = y0; y < y1; y++)
      for (var x = x0; x < x1; x++)
        if (dark(p.at(x, y))) count++;
    return count >= 6;
  }

  var checked = {};
  for (var i = 0; i < images.length; i++) {
    var image = images[i];
    if (!image.complete || image.naturalWidth === 0) {
      broken++;
      continue;
    }
    var file = name(image);
    if (checked[file]) continue;
    checked[file] = true;
    var p = pixels(image);
    var square = /^(es|[wb][pnbrqk])(e?)\.png$/.exec(file);
    if (square) {
      // A marked square carries a strong warm border; a plain one lets the square's colour show.
      var edge = p.at(1, 17);
      var marked = edge[3] > 200 && edge[0] > 180 && edge[1] < 120 && edge[2] < 80;
      if (square[2] && !marked) problems.push(file + ' is not highlighted');
      if (!square[2] && edge[3] !== 0) problems.push(file + ' hides the square colour');
      var man = manPixels(p);
      var border = square[2] ? 34 * 35 - 28 * 29 : 0; // the 3-pixel ring of a marked square
      if (square[1] === 'es' && man.opaque > border + 40) problems.push(file + ' is not empty');
      if (square[1] !== 'es') {
        var body = man.opaque - border;
        if (body < 150) problems.push(file + ' shows no man');
        else if (square[1][0] === 'w' && man.light * 4 < body) problems.push(file + ' is not a white man');
        else if (square[1][0] === 'b' && man.light * 8 > body) problems.push(file + ' is not a black man');
      }
    } else if (file === '7.png') {
      for (var f = 0; f < 8; f++)
        if (!inked(p, 34 * f + 9, 8, 34 * f + 26, 27)) problems.push('no file letter ' + 'abcdefgh'[f]);
    } else if (file === '4.png') {
      for (var r = 0; r < 8; r++)
        if (!inked(p, 9, 35 * r + 8, 26, 35 * r + 27)) problems.push('no rank number ' + (8 - r));
    } else if (file === '5w.png') {
      var disc = p.at(18, 262), top = p.at(18, 18);
      if (!(disc[0] > 240 && disc[1] > 240 && disc[2] > 240) || dark(top))
        problems.push('5w.png does not show White to move');
    } else if (file === '5b.png') {
      var discB = p.at(18, 18), bottom = p.at(18, 262);
      if (!dark(discB) || dark(bottom)) problems.push('5b.png does not show Black to move');
    }
  }
  var line = document.createElement('div');
  line.textContent = 'PROBE images=' + images.length + ' broken=' + broken +
                     ' problems=' + (problems.length ? problems.join('; ') : 'none') + ' END';
  document.body.appendChild(line);
});
