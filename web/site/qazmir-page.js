// The page around the web player (qazmir-web.js): it sizes the canvas to
// the page with the aspect kept, fills the in-memory file system with a game
// (served beside the page and named by ?game=FOLDER/, or a folder or a zip
// archive a person picks or drops), mounts the per-user folder on the
// browser's IndexedDB and writes it back while the game runs, owns full
// screen, and starts the player with its arguments.
//
// Test mode (?test=1) replays a session and reports what the tests need:
//   input=URL     the session file (the --input format), fetched and replayed
//   shot=S[,S..]  the frame showing the state after S passes: the player's
//                 own PNG and the canvas as the page shows it
//   steps=N seed=N callbacks=animation|timer|immediate (default immediate)
//   store=idb|memory  the per-user folder (memory under a virtual clock,
//                 where IndexedDB never answers)
//   report=URL    where the report is POSTed (the test server); it also
//                 lands in <pre id="qz-report">
//   hold=URL      an image that the test server answers once the report is
//                 in, which holds the page's load event until then
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  const testMode = params.get('test') === '1';
  const byId = (id) => document.getElementById(id);
  const canvas = byId('canvas');
  const stage = byId('stage');
  const statusLine = byId('status');
  const fullScreenButton = byId('full-screen');
  const kUserDir = '/userdata';
  const kFrameWidth = 1024;
  const kFrameHeight = 768;
  const log = [];
  let store = 'memory';
  let started = false;
  let fullScreenWanted = false;

  const setStatus = (text) => { statusLine.textContent = text; };

  function notice(text, link) {
    const box = byId('notice');
    box.textContent = text;
    if (link) {
      const a = document.createElement('a');
      a.href = link;
      a.textContent = link;
      a.target = '_blank';
      a.rel = 'noopener noreferrer';
      box.append(' ', a);
    }
    const close = document.createElement('button');
    close.type = 'button';
    close.textContent = 'OK';
    close.onclick = () => { box.hidden = true; canvas.focus(); };
    box.append(close);
    box.hidden = false;
  }

  if (testMode && params.get('hold')) {
    const hold = document.createElement('img');
    hold.src = params.get('hold');
    hold.alt = '';
    hold.hidden = true;
    document.body.append(hold);
  }

  // ---- the canvas: its pixels stay the frame's, its size follows the page ----
  function fitCanvas() {
    const scale = Math.min(stage.clientWidth / kFrameWidth, stage.clientHeight / kFrameHeight);
    const s = scale > 0 ? scale : 1;
    canvas.style.width = Math.round(kFrameWidth * s) + 'px';
    canvas.style.height = Math.round(kFrameHeight * s) + 'px';
  }
  window.addEventListener('resize', fitCanvas);
  fitCanvas();

  // ---- the player's runtime ----
  let runtimeReady;
  const runtime = new Promise((resolve) => { runtimeReady = resolve; });
  const Module = {
    canvas: canvas,
    print: (text) => { log.push(text); console.log(text); },
    printErr: (text) => { log.push(text); console.warn(text); },
    onRuntimeInitialized: () => runtimeReady(),
    onAbort: (what) => finish(-1, 'The player stopped: ' + what),
    qzOnEnd: (status) => finish(status, status === 0 ? 'The game has ended.' : 'The game could not be played.'),
    qzOnPass: (pass) => onPass(pass),
    qzFullScreen: (on) => setFullScreen(!!on),
    qzOpenAddress: (address) => {
      if (/^(https?:\/\/|mailto:)/i.test(address)) notice('The game asks to open', address);
    },
  };
  window.Module = Module;
  // A trap in a callback the runtime does not watch (an animation frame, an
  // event) stops the player as surely as an abort: say so, and let a test
  // report it at once instead of waiting for a report that never comes.
  window.addEventListener('error', (e) => {
    if (started) finish(-1, 'The player stopped: ' + (e.error || e.message));
  });
  const engine = document.createElement('script');
  engine.src = 'qazmir-web.js';
  engine.onerror = () => setStatus('The player (qazmir-web.js) could not be loaded.');
  document.body.append(engine);

  // ---- the per-user folder ----
  const syncFs = (populate) =>
    new Promise((resolve, reject) => Module.FS.syncfs(populate, (e) => (e ? reject(e) : resolve())));
  let syncing = null;
  let syncAgain = false;
  function saveUserData() {
    if (store !== 'idb') return Promise.resolve();
    if (syncing) {
      syncAgain = true;
      return syncing;
    }
    syncing = syncFs(false)
      .catch((e) => console.warn('qazmir: saving the per-user folder failed: ' + e))
      .finally(() => {
        syncing = null;
        if (syncAgain) {
          syncAgain = false;
          saveUserData();
        }
      });
    return syncing;
  }
  async function mountUserData() {
    Module.FS.mkdir(kUserDir);
    if (params.get('store') === 'memory' || !window.indexedDB) return 'memory';
    try {
      Module.FS.mount(Module.IDBFS, {}, kUserDir);
      await syncFs(true);
      return 'idb';
    } catch (e) {
      notice('Saved games will last only until the page is closed (' + e + ').');
      return 'memory';
    }
  }
  document.addEventListener('visibilitychange', () => { if (document.hidden) saveUserData(); });
  window.addEventListener('pagehide', () => saveUserData());

  // ---- games into the in-memory file system ----
  // Path components from outside (an index, a picked folder) never climb.
  function safeParts(path) {
    const parts = path.split('/').filter((p) => p !== '' && p !== '.');
    if (parts.length === 0 || parts.some((p) => p === '..' || p.includes('\0'))) {
      throw new Error('a file name that leaves the game folder: ' + path);
    }
    return parts;
  }
  function writeFile(root, parts, bytes) {
    const dir = [root].concat(parts.slice(0, -1)).join('/');
    Module.FS.mkdirTree(dir);
    Module.FS.writeFile(dir + '/' + parts[parts.length - 1], bytes);
  }
  let uploads = 0;
  const uploadRoot = () => '/games/upload-' + ++uploads;

  // A game served beside the page: its folder's qazmir-files.txt lists
  // "size<TAB>path" lines (make web writes it; web/make-game-index.sh for others).
  async function loadServedGame(base) {
    if (!base.endsWith('/')) base += '/';
    const list = await fetch(base + 'qazmir-files.txt');
    if (!list.ok) throw new Error('no list of files at ' + base + 'qazmir-files.txt (' + list.status + ')');
    const files = (await list.text()).split('\n')
      .filter((line) => line.trim() !== '' && !line.startsWith('#'))
      .map((line) => {
        const tab = line.indexOf('\t');
        return { size: Number(line.slice(0, tab)) || 0, parts: safeParts(line.slice(tab + 1)) };
      });
    const total = files.reduce((n, f) => n + f.size, 0) || 1;
    const root = '/games/' + (safeParts(base).pop() || 'game');
    let loaded = 0;
    let next = 0;
    const worker = async () => {
      while (next < files.length) {
        const f = files[next++];
        const response = await fetch(base + f.parts.map(encodeURIComponent).join('/'));
        if (!response.ok) throw new Error(f.parts.join('/') + ': ' + response.status);
        const bytes = new Uint8Array(await response.arrayBuffer());
        writeFile(root, f.parts, bytes);
        loaded += bytes.length;
        setStatus('Loading the game… ' + Math.min(100, Math.floor((100 * loaded) / total)) + ' %');
      }
    };
    await Promise.all([worker(), worker(), worker(), worker()]);
    return root;
  }

  function answer(reply) {
    if (reply.startsWith('OK ')) return reply.slice(3);
    throw new Error(reply.replace(/^ERROR /, ''));
  }

  async function loadZip(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const at = Module._malloc(bytes.length || 1);
    try {
      Module.HEAPU8.set(bytes, at);
      return answer(Module.ccall('qz_web_unpack', 'string', ['number', 'number', 'string'],
                                 [at, bytes.length, uploadRoot()]));
    } finally {
      Module._free(at);
    }
  }

  // Files with their paths below the picked or dropped folder.
  async function loadFiles(entries) {
    const root = uploadRoot();
    for (const e of entries) writeFile(root, safeParts(e.path), new Uint8Array(await e.file.arrayBuffer()));
    return answer(Module.ccall('qz_web_game_folder', 'string', ['string'], [root]));
  }

  async function droppedEntries(items) {
    const out = [];
    const walk = async (entry, prefix) => {
      if (entry.isFile) {
        const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
        out.push({ path: prefix + entry.name, file: file });
      } else if (entry.isDirectory) {
        const reader = entry.createReader();
        for (;;) {
          const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
          if (batch.length === 0) break;
          for (const child of batch) await walk(child, prefix + entry.name + '/');
        }
      }
    };
    for (const entry of items) await walk(entry, '');
    return out;
  }

  // ---- full screen: the page's, on Alt+Enter (through the game) and the button ----
  // The game may switch back and forth within one call (a game's settings
  // read while it loads, then the page's --windowed): only where it ends up
  // counts, once the call has returned.
  let fullScreenPending = false;
  function setFullScreen(on) {
    fullScreenWanted = on;
    fullScreenButton.textContent = on ? 'Window' : 'Full screen';
    if (fullScreenPending) return;
    fullScreenPending = true;
    queueMicrotask(() => {
      fullScreenPending = false;
      if (fullScreenWanted && !document.fullscreenElement) {
        stage.requestFullscreen().catch(() => {
          // Browsers allow it only just after a click or a key press.
          notice('The browser refused full screen; the button asks again.');
          if (fullScreenWanted) Module.ccall('qz_web_toggle_full_screen', null, [], []);
        });
      } else if (!fullScreenWanted && document.fullscreenElement) {
        document.exitFullscreen().catch(() => {});
      }
    });
  }
  document.addEventListener('fullscreenchange', () => {
    fitCanvas();
    // Left by the browser (Escape): the game goes back to its window too.
    if (!document.fullscreenElement && fullScreenWanted) Module.ccall('qz_web_toggle_full_screen', null, [], []);
  });
  fullScreenButton.onclick = () => {
    if (!document.fullscreenElement) stage.requestFullscreen().catch(() => {});
    Module.ccall('qz_web_toggle_full_screen', null, [], []);
    canvas.focus();
  };

  // ---- audio starts with the first click or key (the browsers' autoplay rule) ----
  const resumeAudio = () => {
    const sdl = Module.SDL2;
    if (sdl && sdl.audioContext && sdl.audioContext.state === 'suspended') sdl.audioContext.resume();
  };
  ['pointerdown', 'keydown', 'touchstart'].forEach((type) => document.addEventListener(type, resumeAudio, true));

  // ---- the run ----
  const report = { test: testMode, log: log, shots: {}, canvas: {}, userFiles: {} };
  let startedAt = 0;

  function onPass(pass) {
    if (pass === 1) {
      report.firstFrameMs = performance.now();
      report.firstPassAt = performance.now() - startedAt;
      const sdl = Module.SDL2;
      report.audio = sdl && sdl.audioContext ? sdl.audioContext.state : 'none';
      setStatus('');
    }
    for (const s of shotPasses()) {
      if (s + 1 === pass) report.canvas[s] = canvas.toDataURL('image/png');
    }
  }

  function shotPasses() {
    return (params.get('shot') || '').split(',').filter((s) => /^\d+$/.test(s)).map(Number);
  }

  async function start(gameFolder) {
    if (started) return;
    started = true;
    document.body.classList.add('playing');
    byId('open-folder').disabled = true;
    byId('open-zip').disabled = true;
    fullScreenButton.disabled = false;
    const args = ['--user-dir', kUserDir, '--windowed', '--no-record'];
    if (testMode) {
      Module.FS.mkdirTree('/test');
      if (params.get('input')) {
        const response = await fetch(params.get('input'));
        if (!response.ok) throw new Error('no session at ' + params.get('input'));
        Module.FS.writeFile('/test/input.rec', new Uint8Array(await response.arrayBuffer()));
        args.push('--input', '/test/input.rec');
      }
      for (const s of shotPasses()) args.push('--screenshot', s + ':/test/shot-' + s + '.png');
      if (params.get('steps')) args.push('--steps', params.get('steps'));
      if (params.get('seed')) args.push('--seed', params.get('seed'));
      args.push('--stats', '--callbacks', params.get('callbacks') || 'immediate');
    } else if (params.get('callbacks')) {
      args.push('--callbacks', params.get('callbacks'));
    }
    args.push(gameFolder);
    report.args = args;
    setStatus('Starting…');
    canvas.focus();
    startedAt = performance.now();
    report.startMs = startedAt;
    Module.callMain(args);
    if (store === 'idb') setInterval(saveUserData, 2000);
  }

  async function finish(status, text) {
    if (report.status !== undefined) return;
    report.status = status;
    report.endMs = performance.now();
    setStatus(text);
    await saveUserData();
    if (!testMode) return;
    try {
      for (const s of shotPasses()) {
        const file = '/test/shot-' + s + '.png';
        if (Module.FS.analyzePath(file).exists) report.shots[s] = toBase64(Module.FS.readFile(file));
      }
      listUserFiles(kUserDir, report.userFiles);
    } catch (e) {
      report.error = String(e);
    }
    const text64 = JSON.stringify(report);
    const pre = document.createElement('pre');
    pre.id = 'qz-report';
    pre.hidden = true;
    pre.textContent = text64;
    document.body.append(pre);
    if (params.get('report')) {
      await fetch(params.get('report'), { method: 'POST', body: text64 }).catch(() => {});
    }
    document.title = 'qazmir: done';
  }

  function toBase64(bytes) {
    let s = '';
    for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(s);
  }

  function listUserFiles(dir, out) {
    const FS = Module.FS;
    for (const name of FS.readdir(dir)) {
      if (name === '.' || name === '..') continue;
      const path = dir + '/' + name;
      const mode = FS.stat(path).mode;
      if (FS.isDir(mode)) listUserFiles(path, out);
      else out[path] = toBase64(FS.readFile(path));
    }
  }

  async function play(load) {
    try {
      await storageReady;
      const folder = await load();
      await start(folder);
    } catch (e) {
      started = false;
      setStatus('');
      notice('This game cannot be played: ' + (e && e.message ? e.message : e));
      if (testMode) finish(-1, String(e));
    }
  }

  // ---- picking and dropping ----
  byId('open-folder').onclick = () => byId('folder-input').click();
  byId('open-zip').onclick = () => byId('zip-input').click();
  byId('folder-input').onchange = (e) => {
    const files = Array.from(e.target.files).map((f) => ({ path: f.webkitRelativePath || f.name, file: f }));
    if (files.length) play(() => loadFiles(files));
  };
  byId('zip-input').onchange = (e) => {
    const file = e.target.files[0];
    if (file) play(() => loadZip(file));
  };
  stage.addEventListener('dragover', (e) => {
    e.preventDefault();
    if (!started) stage.classList.add('dragging');
  });
  stage.addEventListener('dragleave', () => stage.classList.remove('dragging'));
  stage.addEventListener('drop', (e) => {
    e.preventDefault();
    stage.classList.remove('dragging');
    if (started) {
      notice('A game is in play: reload the page to open another.');
      return;
    }
    const items = Array.from(e.dataTransfer.items || [])
      .map((item) => (item.webkitGetAsEntry ? item.webkitGetAsEntry() : null))
      .filter(Boolean);
    const files = Array.from(e.dataTransfer.files || []);
    if (items.length === 1 && items[0].isFile && /\.zip$/i.test(items[0].name)) {
      play(() => loadZip(files[0]));
    } else if (items.length) {
      play(async () => loadFiles(await droppedEntries(items)));
    }
  });

  // ---- start ----
  const storageReady = runtime.then(mountUserData).then((s) => {
    store = s;
    report.store = s;
  });
  (async () => {
    await storageReady;
    const game = params.get('game');
    if (game) {
      setStatus('Loading the game…');
      play(() => loadServedGame(game));
    } else {
      setStatus('');
      offerServedGames();
    }
  })();

  // Games served beside the page, listed in qazmir-games.txt ("folder/<TAB>title").
  async function offerServedGames() {
    const response = await fetch('qazmir-games.txt').catch(() => null);
    if (!response || !response.ok) return;
    const list = document.createElement('p');
    for (const line of (await response.text()).split('\n')) {
      const [folder, title] = line.split('\t');
      if (!folder || !title || !/^[\w.-]+\/$/.test(folder)) continue;
      const a = document.createElement('a');
      a.href = '?game=' + encodeURIComponent(folder);
      a.textContent = 'Play ' + title;
      list.append(a, document.createElement('br'));
    }
    byId('welcome').prepend(list);
  }
})();
