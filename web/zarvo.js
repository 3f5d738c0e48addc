// The page: zarvo's frame composition (the WebAssembly module made from the
// program's own code, zarvo_page.js) driven by the page's keys, taps, clock
// and the user's picture, and shown through WebGL (one texture, the canvas's
// RGB bytes uploaded whole each frame) or, without WebGL, a 2-D canvas.
//
// With query parameters named as zarvo-render's options (select, layout,
// phase-panel, first-frame, frames, keys, ms-per-frame) the page composes
// exactly those frames with the fixed clock, starts no loop, shows the last
// canvas and writes the SHA-256 of its RGB bytes into
// <output id="canvas-sha256">.
'use strict';

(function () {
  const kFullWidth = 1640;
  const kCondensedWidth = 1100;
  const kHeight = 800;
  const kMaxPictureSide = 16384;
  const kMaxPictureBytes = 1 << 30;
  const kStateNames = ['select', 'layout', 'phase-panel', 'first-frame', 'frames', 'keys',
    'ms-per-frame'];

  const canvas = document.getElementById('canvas');
  const messageLine = document.getElementById('message');
  const shaOutput = document.getElementById('canvas-sha256');
  const pictureInput = document.getElementById('picture');

  function say(text) {
    messageLine.textContent = text;
    messageLine.hidden = text === '';
  }

  // The smallest module that uses a SIMD instruction (i8x16.popcnt).
  function hasWasmSimd() {
    if (typeof WebAssembly !== 'object' || typeof WebAssembly.validate !== 'function') {
      return false;
    }
    return WebAssembly.validate(new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1,
      123, 3, 2, 1, 0, 10, 10, 1, 8, 0, 65, 0, 253, 15, 253, 98, 11]));
  }

  // ---- presenting the canvas ----

  // WebGL as the program's presenter: a texture of the canvas's size,
  // nearest filtering, the whole RGB buffer uploaded every frame, two
  // triangles over the view with canvas row 0 at the top.
  function webglPresenter(width) {
    const gl = canvas.getContext('webgl', {alpha: false, antialias: false, depth: false,
      preserveDrawingBuffer: true, premultipliedAlpha: false});
    if (gl === null) {
      return null;
    }
    const compile = (type, source) => {
      const shader = gl.createShader(type);
      gl.shaderSource(shader, source);
      gl.compileShader(shader);
      if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) {
        throw new Error('WebGL shader: ' + gl.getShaderInfoLog(shader));
      }
      return shader;
    };
    const program = gl.createProgram();
    gl.attachShader(program, compile(gl.VERTEX_SHADER,
      'attribute vec2 position;\nattribute vec2 coord;\nvarying vec2 v_texCoord;\n' +
      'void main() {\n    gl_Position = vec4(position, 0.0, 1.0);\n    v_texCoord = coord;\n}\n'));
    gl.attachShader(program, compile(gl.FRAGMENT_SHADER,
      'precision mediump float;\nuniform sampler2D font;\nvarying vec2 v_texCoord;\n' +
      'void main() {\n    gl_FragColor = texture2D(font, v_texCoord);\n}\n'));
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
      throw new Error('WebGL program: ' + gl.getProgramInfoLog(program));
    }
    gl.useProgram(program);
    // (s, t, x, y) per vertex, in the program's order.
    const vertices = new Float32Array([1, 1, 1, -1, 0, 1, -1, -1, 1, 0, 1, 1,
      0, 1, -1, -1, 1, 0, 1, 1, 0, 0, -1, 1]);
    gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
    gl.bufferData(gl.ARRAY_BUFFER, vertices, gl.STATIC_DRAW);
    const coord = gl.getAttribLocation(program, 'coord');
    const position = gl.getAttribLocation(program, 'position');
    gl.enableVertexAttribArray(coord);
    gl.vertexAttribPointer(coord, 2, gl.FLOAT, false, 16, 0);
    gl.enableVertexAttribArray(position);
    gl.vertexAttribPointer(position, 2, gl.FLOAT, false, 16, 8);
    gl.uniform1i(gl.getUniformLocation(program, 'font'), 0);
    gl.activeTexture(gl.TEXTURE0);
    gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
    // Rows of 1640 * 3 and 1100 * 3 bytes are multiples of the default
    // unpack alignment of 4.
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGB, width, kHeight, 0, gl.RGB, gl.UNSIGNED_BYTE, null);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
    gl.viewport(0, 0, width, kHeight);
    return {
      kind: 'webgl',
      present(rgb) {
        gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, 0, width, kHeight, gl.RGB, gl.UNSIGNED_BYTE, rgb);
        gl.drawArrays(gl.TRIANGLES, 0, 6);
      },
      // The shown pixels as RGB bytes, row 0 at the top.
      shown() {
        const rgba = new Uint8Array(width * kHeight * 4);
        gl.readPixels(0, 0, width, kHeight, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
        const rgb = new Uint8Array(width * kHeight * 3);
        for (let y = 0; y < kHeight; ++y) {
          const from = (kHeight - 1 - y) * width * 4;  // GL's rows run bottom-up
          for (let x = 0; x < width; ++x) {
            rgb.set(rgba.subarray(from + 4 * x, from + 4 * x + 3), 3 * (y * width + x));
          }
        }
        return rgb;
      },
    };
  }

  // A 2-D canvas: the RGB bytes widened to opaque RGBA, put as they are.
  function canvas2dPresenter(width) {
    const context = canvas.getContext('2d', {alpha: false});
    const image = context.createImageData(width, kHeight);
    const rgba = image.data;
    for (let k = 3; k < rgba.length; k += 4) {
      rgba[k] = 255;
    }
    return {
      kind: '2d',
      present(rgb) {
        for (let k = 0, o = 0; k < rgb.length; k += 3, o += 4) {
          rgba[o] = rgb[k];
          rgba[o + 1] = rgb[k + 1];
          rgba[o + 2] = rgb[k + 2];
        }
        context.putImageData(image, 0, 0);
      },
      shown() {
        const data = context.getImageData(0, 0, width, kHeight).data;
        const rgb = new Uint8Array(width * kHeight * 3);
        for (let k = 0, o = 0; o < data.length; k += 3, o += 4) {
          rgb[k] = data[o];
          rgb[k + 1] = data[o + 1];
          rgb[k + 2] = data[o + 2];
        }
        return rgb;
      },
    };
  }

  // ---- the module ----

  let zarvo = null;      // the WebAssembly module
  let presenter = null;
  let layoutWidth = kFullWidth;

  function canvasBytes() {
    const at = zarvo._zarvo_canvas_pixels();
    return zarvo.HEAPU8.subarray(at, at + layoutWidth * kHeight * 3);
  }

  // The layout: the canvas 1:1 while the page is wide enough, else scaled
  // down to the page's width, pixel for pixel without smoothing.
  function startLayout(condensed, fixedMs) {
    layoutWidth = condensed ? kCondensedWidth : kFullWidth;
    zarvo._zarvo_start(condensed ? 1 : 0, fixedMs);
    if (presenter === null || canvas.width !== layoutWidth) {
      canvas.width = layoutWidth;
      canvas.height = kHeight;
      presenter = webglPresenter(layoutWidth) || canvas2dPresenter(layoutWidth);
    }
    canvas.style.maxWidth = layoutWidth + 'px';
    document.body.dataset.presenter = presenter.kind;
  }

  async function sha256Hex(bytes) {
    const digest = await crypto.subtle.digest('SHA-256', bytes.slice());
    return Array.from(new Uint8Array(digest), (b) => b.toString(16).padStart(2, '0')).join('');
  }

  // ---- the user's picture ----

  // What the file starts with: PNG, JPEG or BMP, as zarvo-render takes.
  function pictureFormat(head) {
    if (head.length >= 8 && head[0] === 0x89 && head[1] === 0x50 && head[2] === 0x4e &&
        head[3] === 0x47 && head[4] === 0x0d && head[5] === 0x0a && head[6] === 0x1a &&
        head[7] === 0x0a) {
      return 'png';
    }
    if (head.length >= 3 && head[0] === 0xff && head[1] === 0xd8 && head[2] === 0xff) {
      return 'jpeg';
    }
    if (head.length >= 2 && head[0] === 0x42 && head[1] === 0x4d) {
      return 'bmp';
    }
    return null;
  }

  // What reads the decoded picture's RGBA bytes, a band of rows at a time.
  // A 2-D canvas keeps its pixels with alpha premultiplied, which rounds
  // every translucent colour; a WebGL texture of the bitmap, not
  // premultiplied and not colour-converted, read back through a
  // framebuffer, gives the decoded bytes as they are. The 2-D canvas serves
  // where WebGL does not (no WebGL, or a picture wider than its textures),
  // exactly for opaque pictures.
  function bandReader(bitmap, bandRows) {
    const width = bitmap.width;
    const height = bitmap.height;
    const gl = new OffscreenCanvas(1, 1).getContext('webgl', {premultipliedAlpha: false});
    const limit = gl !== null ? gl.getParameter(gl.MAX_TEXTURE_SIZE) : 0;
    if (width <= limit && height <= limit) {
      gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
      gl.pixelStorei(gl.UNPACK_COLORSPACE_CONVERSION_WEBGL, gl.NONE);
      gl.pixelStorei(gl.UNPACK_FLIP_Y_WEBGL, false);
      gl.pixelStorei(gl.PACK_ALIGNMENT, 1);
      gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
      gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, gl.RGBA, gl.UNSIGNED_BYTE, bitmap);
      gl.bindFramebuffer(gl.FRAMEBUFFER, gl.createFramebuffer());
      gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D,
        gl.getParameter(gl.TEXTURE_BINDING_2D), 0);
      if (gl.getError() === gl.NO_ERROR &&
          gl.checkFramebufferStatus(gl.FRAMEBUFFER) === gl.FRAMEBUFFER_COMPLETE) {
        const rgba = new Uint8Array(width * bandRows * 4);
        // The image's top row is the texture's row 0, read first.
        return (y, rows) => {
          const band = rgba.subarray(0, width * rows * 4);
          gl.readPixels(0, y, width, rows, gl.RGBA, gl.UNSIGNED_BYTE, band);
          return band;
        };
      }
    }
    const band = new OffscreenCanvas(width, bandRows);
    const context = band.getContext('2d', {willReadFrequently: true});
    return (y, rows) => {
      context.clearRect(0, 0, width, bandRows);
      context.drawImage(bitmap, 0, -y);
      return context.getImageData(0, 0, width, rows).data;
    };
  }

  // Decodes the file as the browser does (its orientation applied, no
  // colour conversion, alpha not premultiplied), greys and fits it with the
  // program's code into the sheet of picture test `select`. Returns '' or
  // what was wrong; the sheet is changed only on success.
  async function loadPicture(file, select) {
    const name = file.name || 'the file';
    if (file.size === 0) {
      return name + ': empty file';
    }
    if (file.size > kMaxPictureBytes) {
      return name + ': expected a file of at most ' + kMaxPictureBytes + ' bytes, found ' +
        file.size + ' bytes';
    }
    const head = new Uint8Array(await file.slice(0, 8).arrayBuffer());
    if (pictureFormat(head) === null) {
      return name + ': not a PNG, JPEG or BMP image';
    }
    let bitmap;
    try {
      bitmap = await createImageBitmap(file, {imageOrientation: 'from-image',
        colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
    } catch (error) {
      return name + ': cannot decode: ' + (error && error.message ? error.message : error);
    }
    const width = bitmap.width;
    const height = bitmap.height;
    if (width > kMaxPictureSide || height > kMaxPictureSide) {
      bitmap.close();
      return name + ': expected an image of at most ' + kMaxPictureSide + ' x ' +
        kMaxPictureSide + ' pixels, found an image of ' + width + ' x ' + height;
    }
    const begun = zarvo._zarvo_picture_begin(width, height);
    if (begun !== 0) {
      bitmap.close();
      return name + ': ' + (begun === 1 ? 'empty image' : 'not enough memory for ' + width +
        ' x ' + height + ' pixels');
    }
    // In bands of rows, so that only one band of RGBA bytes is held at once.
    const bandRows = Math.max(1, Math.min(height, Math.floor((16 << 20) / (4 * width))));
    const readBand = bandReader(bitmap, bandRows);
    for (let y = 0; y < height; y += bandRows) {
      const rows = Math.min(bandRows, height - y);
      const rgba = readBand(y, rows);
      const at = zarvo._zarvo_picture_rows(rows);
      if (at === 0) {
        bitmap.close();
        zarvo._zarvo_picture_end(-1);
        return name + ': not enough memory for ' + width + ' x ' + height + ' pixels';
      }
      zarvo.HEAPU8.set(rgba, at);
      zarvo._zarvo_picture_grey(y, rows);
    }
    bitmap.close();
    zarvo._zarvo_picture_end(select);
    return '';
  }

  // ---- a state named in the address ----

  function number(params, name, low, high, fallback) {
    if (!params.has(name)) {
      return fallback;
    }
    const text = params.get(name);
    const value = /^-?[0-9]+$/.test(text) ? Number(text) : NaN;
    if (!(value >= low && value <= high)) {
      throw new Error('bad ' + name + " '" + text + "' (want " + low + ' to ' + high + ')');
    }
    return value;
  }

  function parseState(params) {
    const layout = params.get('layout') || 'full';
    if (layout !== 'full' && layout !== 'condensed') {
      throw new Error("unknown layout '" + layout + "' (want full or condensed)");
    }
    const state = {
      condensed: layout === 'condensed',
      select: number(params, 'select', 0, zarvo._zarvo_test_count() - 1, 0),
      phasePanel: params.has('phase-panel') && params.get('phase-panel') !== '0',
      frames: number(params, 'frames', 1, 1000000, 2),
      firstFrame: number(params, 'first-frame', 1, 1 << 30, 1),
      msPerFrame: number(params, 'ms-per-frame', 0, 100000, 16),
      keys: [],
    };
    for (const item of (params.get('keys') || '').split(',').filter((s) => s !== '')) {
      const match = /^([0-9]+):(Up|Down|Space)$/.exec(item);
      if (match === null) {
        throw new Error("bad key press '" + item + "' (want FRAME:KEY, KEY Up, Down or Space)");
      }
      state.keys.push({frame: Number(match[1]), key: match[2]});
    }
    return state;
  }

  async function composeState(state) {
    startLayout(state.condensed, state.msPerFrame);
    zarvo._zarvo_set_state(state.select, state.phasePanel ? 0 : 1, state.firstFrame - 1);
    for (let frame = 1; frame <= state.frames; ++frame) {
      // As a poll: the last arrow of a frame decides, any Space toggles once.
      let step = 0;
      let toggle = 0;
      for (const press of state.keys) {
        if (press.frame === frame) {
          if (press.key === 'Space') {
            toggle = 1;
          } else {
            step = press.key === 'Down' ? 1 : -1;
          }
        }
      }
      zarvo._zarvo_frame(step, toggle, 0);
    }
    presenter.present(canvasBytes());
    shaOutput.value = await sha256Hex(canvasBytes());
    document.body.dataset.ready = 'state';
  }

  async function runState(params) {
    let state;
    try {
      state = parseState(params);
    } catch (error) {
      say('zarvo: ' + error.message);
      shaOutput.value = 'error';
      document.body.dataset.ready = 'error';
      return;
    }
    // A picture of the user's takes the place of the selected picture test,
    // as zarvo-render --picture does; the state is composed again with it.
    pictureInput.onchange = async () => {
      const file = pictureInput.files[0];
      if (!file) {
        return;
      }
      document.body.dataset.ready = 'busy';
      if (state.select > 2) {
        say('zarvo: a picture takes the place of a picture test: select 0, 1 or 2');
        document.body.dataset.ready = 'error';
        return;
      }
      const error = await loadPicture(file, state.select);
      say(error);
      if (error !== '') {
        document.body.dataset.ready = 'error';
        return;
      }
      await composeState(state);
    };
    await composeState(state);
  }

  // ---- the live page ----

  function runLive() {
    const condensed = document.documentElement.clientWidth < kFullWidth;
    startLayout(condensed, -1);
    let step = 0;
    let toggle = 0;
    let quit = false;
    let running = false;

    const frame = (now) => {
      zarvo._zarvo_frame(step, toggle, now);
      step = 0;
      toggle = 0;
      presenter.present(canvasBytes());
      if (quit) {
        // The frame that saw the quit was still drawn, as in the program.
        running = false;
        say('Stopped. Press Enter, or tap the picture, to start again.');
        document.body.dataset.ready = 'stopped';
        return;
      }
      requestAnimationFrame(frame);
    };
    const start = () => {
      if (running) {
        return;
      }
      running = true;
      quit = false;
      say('');
      document.body.dataset.ready = 'live';
      requestAnimationFrame(frame);
    };

    document.addEventListener('keydown', (event) => {
      const key = event.key;
      const ours = ['ArrowUp', 'ArrowDown', ' ', 'Escape', 'q', 'Q', 'Enter'];
      if (!ours.includes(key) || event.ctrlKey || event.altKey || event.metaKey) {
        return;
      }
      event.preventDefault();  // the page does not scroll
      if (event.repeat) {
        return;  // held keys act once, as in the program
      }
      if (key === 'Enter') {
        start();
      } else if (!running) {
        return;
      } else if (key === 'ArrowUp') {
        step = -1;
      } else if (key === 'ArrowDown') {
        step = 1;
      } else if (key === ' ') {
        toggle = 1;
      } else {
        quit = true;
      }
    });

    // Taps: a menu label selects its test; the spectrum panel of the
    // condensed layout switches between magnitude and phase.
    canvas.addEventListener('pointerdown', (event) => {
      if (!running) {
        start();
        return;
      }
      const box = canvas.getBoundingClientRect();
      const x = (event.clientX - box.left) * (canvas.width / box.width);
      const y = (event.clientY - box.top) * (canvas.height / box.height);
      const entry = zarvo._zarvo_menu_entry_at(Math.floor(x), Math.floor(y));
      if (entry >= 0) {
        zarvo._zarvo_select(entry);
      } else if (condensed && zarvo._zarvo_on_condensed_spectrum(Math.floor(x), Math.floor(y))) {
        toggle = 1;
      }
    });

    const takePicture = async (file) => {
      const selection = zarvo._zarvo_selection();
      const select = selection <= 2 ? selection : 0;
      say('Reading ' + (file.name || 'the picture') + ' ...');
      const error = await loadPicture(file, select);
      if (error !== '') {
        say(error);
        return;
      }
      zarvo._zarvo_select(select);
      say(running ? '' : 'Stopped. Press Enter, or tap the picture, to start again.');
    };
    pictureInput.onchange = () => {
      if (pictureInput.files[0]) {
        takePicture(pictureInput.files[0]);
      }
      pictureInput.value = '';
    };
    document.addEventListener('dragover', (event) => event.preventDefault());
    document.addEventListener('drop', (event) => {
      event.preventDefault();
      const file = event.dataTransfer && event.dataTransfer.files[0];
      if (file) {
        takePicture(file);
      }
    });
    start();
  }

  async function main() {
    if (!hasWasmSimd()) {
      canvas.hidden = true;
      say('zarvo needs a browser with WebAssembly SIMD (Chrome or Edge 91, Firefox 89, ' +
        'Safari 16.4 or later); this one has none, so nothing can be shown.');
      document.body.dataset.ready = 'unsupported';
      return;
    }
    zarvo = await createZarvoModule();
    const params = new URLSearchParams(location.search);
    if (kStateNames.some((name) => params.has(name))) {
      await runState(params);
    } else {
      runLive();
    }
  }

  // For the tests and the benchmark: the module, the state it holds and
  // what the presenter shows.
  window.zarvoPage = {
    module: () => zarvo,
    state: () => ({selection: zarvo._zarvo_selection(),
      showMagnitude: zarvo._zarvo_show_magnitude() === 1, width: layoutWidth}),
    shown: () => presenter.shown(),
    shownSha256: () => sha256Hex(presenter.shown()),
    shownPixel: (x, y) => Array.from(presenter.shown().subarray(3 * (y * layoutWidth + x),
      3 * (y * layoutWidth + x) + 3)),
    canvasBase64: () => {
      const bytes = canvasBytes();
      let text = '';
      for (let k = 0; k < bytes.length; k += 0x8000) {
        text += String.fromCharCode.apply(null, bytes.subarray(k, k + 0x8000));
      }
      return btoa(text);
    },
  };

  main().catch((error) => {
    say('zarvo could not start: ' + (error && error.message ? error.message : error));
    document.body.dataset.ready = 'error';
  });
})();
