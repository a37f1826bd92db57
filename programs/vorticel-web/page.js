// The page around the browser shell (main.cpp): the start overlay, which also lists the keys
// and gestures; the keys, touch gestures and buttons; the canvas's size; the frame rate overlay.
'use strict';
(function () {
  const element = (id) => document.getElementById(id);
  const canvas = element('canvas'), overlay = element('overlay'), status = element('status');
  const fps = element('fps'), toolbar = element('toolbar');

  // ?texture=URL: another wall picture, from this site only.
  let texture = 'grottebl.jpg';
  const asked = new URLSearchParams(location.search).get('texture');
  if (asked !== null) {
    let url = null;
    try {
      url = new URL(asked, location.href);
    } catch (e) {
    }
    texture = url && url.origin == location.origin ? asked : '';
    if (!texture) console.warn('Vorticel: the wall texture must come from this site, not ' + asked);
  }

  // loading, ready (to start), flying, over (the tunnel has ended) or failed (no WebGL).
  let state = 'loading', runtime = false;
  // Milliseconds since the page began to load: the page ready, the start, its first frame.
  const times = (window.vorticelTimes = {});

  const Module = (window.Module = {
    canvas: canvas,
    jpegPaths: texture ? [texture] : [],
    texturePath: texture,
    onReady() {
      runtime = true;
      fit();
      Module.jpegReady.then(() => {
        state = 'ready';
        times.ready = performance.now();
        status.textContent = 'Click or press a key to start';
      });
    },
    onNoWebGL() {
      state = 'failed';
      status.textContent = 'This browser offers no WebGL: the tunnel cannot be drawn here.';
    },
    onTitle(text) {
      document.title = text;
      fps.textContent = text.replace(/^Vorticel - /, '');
    },
    onFirstFrame() {
      times.firstFrame = performance.now();
    },
    onFlightOver() {
      state = 'over';
      document.title = 'Vorticel';
      toolbar.hidden = fps.hidden = true;
      element('ended').hidden = false;
      status.textContent = 'Click or press a key to fly again';
      overlay.hidden = false;
    },
  });

  function start() {
    state = 'flying';
    overlay.hidden = true;
    toolbar.hidden = false;
    fps.hidden = !showFps;
    times.start = performance.now();
    Module._webStart();
  }

  let showFps = false;
  function toggleFps() {
    showFps = !showFps;
    fps.hidden = !showFps;
  }

  function toggleFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else document.documentElement.requestFullscreen().catch(() => {});
  }

  // The canvas in device pixels, so that a high-density screen gets every pixel drawn.
  let ratioWatch = null;
  function fit() {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    const height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    if (canvas.width != width) canvas.width = width;
    if (canvas.height != height) canvas.height = height;
    if (runtime) Module._webResize(width, height);
    // A window moved to another screen changes the ratio without a resize.
    if (ratioWatch) ratioWatch.removeEventListener('change', fit);
    ratioWatch = matchMedia('(resolution: ' + ratio + 'dppx)');
    ratioWatch.addEventListener('change', fit);
  }
  addEventListener('resize', fit);

  // Keys as the desktop window gets them as characters; any key starts.
  addEventListener('keydown', (event) => {
    if (event.ctrlKey || event.altKey || event.metaKey) return;
    if (event.key == 'F11') {
      event.preventDefault();
      toggleFullScreen();
    } else if (state == 'ready' || state == 'over') {
      event.preventDefault();
      if (!event.repeat) start();
    } else if (state == 'flying') {
      if (event.key == 'f' || event.key == 'F') return toggleFps();
      const character = event.key == 'Escape' ? 27 : event.key.length == 1 ? event.key.charCodeAt(0) : 0;
      if (character) {
        event.preventDefault();
        Module._webKey(character);
      }
    }
  });
  overlay.addEventListener('click', () => {
    if (state == 'ready' || state == 'over') start();
  });

  // The buttons take no focus, so that SPACE never presses one.
  const buttons = { 'fps-button': toggleFps, 'full-button': toggleFullScreen, 'stop-button': () => Module._webKey(27) };
  for (const id in buttons) {
    element(id).addEventListener('mousedown', (event) => event.preventDefault());
    element(id).addEventListener('click', buttons[id]);
  }

  // Touch: a tap for the density, a two-finger tap for the sinusoid, a vertical swipe for the
  // speed (a step each 60 pixels), a pinch for the zoom (a step each 10 %).
  const key = (character) => Module._webKey(character.charCodeAt(0));
  const spread = (t) => Math.hypot(t[0].clientX - t[1].clientX, t[0].clientY - t[1].clientY);
  let gesture = null;
  const touch = (type, handle) => canvas.addEventListener(type, (event) => {
    event.preventDefault();
    if (state == 'flying') handle(event.touches);
    else gesture = null;
  }, { passive: false });
  touch('touchstart', (touches) => {
    if (!gesture) gesture = { fingers: 0, moved: false, y: touches[0].clientY, spread: 0 };
    gesture.fingers = Math.max(gesture.fingers, touches.length);
    if (touches.length == 2) gesture.spread = spread(touches);
  });
  touch('touchmove', (touches) => {
    if (!gesture) return;
    if (touches.length == 1 && gesture.fingers == 1) {
      const y = touches[0].clientY;
      for (; y < gesture.y - 60; gesture.y -= 60, gesture.moved = true) key('+');
      for (; y > gesture.y + 60; gesture.y += 60, gesture.moved = true) key('-');
    } else if (touches.length == 2 && gesture.spread > 0) {
      const now = spread(touches);
      for (; now > gesture.spread * 1.1; gesture.spread *= 1.1, gesture.moved = true) key('*');
      for (; now < gesture.spread / 1.1; gesture.spread /= 1.1, gesture.moved = true) key('/');
    }
  });
  touch('touchend', (touches) => {
    if (!gesture || touches.length > 0) return;
    if (!gesture.moved && gesture.fingers == 1) Module._webNextDensity();
    if (!gesture.moved && gesture.fingers == 2) key(' ');
    gesture = null;
  });
  touch('touchcancel', () => (gesture = null));
})();
