// The player page: a story over http (?story=URL, else story/ beside the page) or from a
// folder the reader picks, played by the wasm engine on this page's one thread. The engine
// asks for what it needs through window.nevPage; this file answers.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const canvas = $('nev-picture');
  // Opaque, and handed to the screen without waiting for the page's next frame: the blinking
  // marker then costs the browser far less while the reader idles at a wait.
  const picture = canvas.getContext('2d', { alpha: false, desynchronized: true });
  const first = $('nev-first');
  const status = $('nev-status');
  const progress = $('nev-progress');
  const pageStart = performance.now();
  const fontPath = '/fonts/ipam.ttf';
  const proportionalFontPath = '/fonts/ipamp.ttf';  // a translation's text; fetched when needed

  let engine = null;       // the wasm module, once loaded
  let story = null;        // {title, names, read(name) -> Promise<Uint8Array|null>}
  let state = 'loading';   // loading, ready, playing
  let shownFirstPicture = false;
  let fetchedBytes = 0;
  const input = [];        // [kind, x, y, detail], taken by the engine at its sleeps
  // An entry timed after the one before waits till then.
  const inputDue = (now) => input.length > 0 && !((input[0].notBefore || 0) > now);
  // What the engine must be woken for: input due, or a piece of music that ended.
  const dueForEngine = (now) => inputDue(now) || (window.nevSound && nevSound.hasEndedPieces());
  // The engine's sleeps: a timer clamped to 4 ms is not asked for less, a page held up long
  // does not catch up, and one frame's work at most goes without giving the browser its turn.
  const kShortestYield = 4;
  const kLongestCatchUp = 100;
  const kLongestWork = 16;
  let blitArea = null;     // the last paint's pixels, kept for the next of the same size
  let resting = null;      // {resolve, timer}: the engine asleep until there is input for it
  // The URL's answer to whether to go on from where the reader left off: 1 yes, 0 no, -1 ask.
  const params = new URLSearchParams(location.search);
  let resume = params.has('continue') ? 1 : params.has('new') ? 0 : -1;
  let proportionalFontFetched = false;
  const languageKey = () => 'nev-language:' + story.location;
  const our = (japanese) => nevCaptions.text(japanese);

  // Wakes the resting engine once an entry is due or a piece of music ended.
  function wakeResting() {
    if (!resting) return;
    clearTimeout(resting.timer);
    const now = performance.now();
    if (dueForEngine(now)) {
      const { resolve } = resting;
      resting = null;
      resolve();
    } else if (input.length > 0) {
      resting.timer = setTimeout(wakeResting, input[0].notBefore - now);
    }
  }
  function enqueue(entry) {
    input.push(entry);
    wakeResting();
  }
  if (window.nevSound) nevSound.onPieceEnded = wakeResting;

  function say(text, failed = false) {
    status.textContent = text;
    status.classList.toggle('nev-failed', failed);
  }

  // The engine's requests.
  window.nevPage = {
    async fetchStoryFile(name) {
      let bytes = null;
      try {
        bytes = await story.read(name);
      } catch (error) {
        console.error(`nev: ${name}: ${error}`);
      }
      if (!bytes) return false;
      fetchedBytes += bytes.length;
      if (!shownFirstPicture) say(`${our('読み込み中…')} ${Math.round(fetchedBytes / 1024)} KB`);
      const path = '/story/' + name;
      engine.FS.mkdirTree(path.slice(0, path.lastIndexOf('/')));
      engine.FS.writeFile(path, bytes);
      return true;
    },
    languageChosen(code) {
      nevCaptions.use(code);
      try {
        localStorage.setItem(languageKey(), code);
      } catch (error) {
        console.error(`nev: the language cannot be remembered: ${error}`);
      }
    },
    takeInput() {
      if (input.length === 0) return null;  // asked at every sleep: the usual answer made cheap
      const now = performance.now();
      if (!inputDue(now)) return null;
      const taken = input.shift();
      // An entry that must follow the one before by a while is timed from when that was taken.
      if (input.length > 0 && input[0].after) input[0].notBefore = now + input[0].after;
      return taken;
    },
    blit(rgba, x, y, width, height) {
      // The blinking marker paints one small area over and over: its buffer is made once.
      if (!blitArea || blitArea.width !== width || blitArea.height !== height) {
        blitArea = new ImageData(width, height);
      }
      blitArea.data.set(rgba);
      picture.putImageData(blitArea, x, y);
      if (!shownFirstPicture) {
        shownFirstPicture = true;
        first.hidden = true;
        progress.hidden = true;
        window.dispatchEvent(new CustomEvent('nev-first-picture',
          { detail: { t: Math.round(performance.now() - pageStart) } }));
      }
    },
    // The marker blinking while the reader rests at a wait, without waking the engine: the area
    // flips between the engine's two pictures of it at the times the engine's sleeps would end
    // (kept as the engine keeps them), and the engine has its turn again at the first of those
    // times when input or a piece's end is there for it. Resolves to [flips made, that time].
    blinkInPage(x, y, width, height, shown, other, deadline, half) {
      const pictures = [other, shown].map((rgba) => new ImageData(new Uint8ClampedArray(rgba.buffer), width, height));
      let flips = 0;
      return new Promise((resolve) => {
        const flip = () => {
          const woken = performance.now();
          for (;;) {
            const now = performance.now();
            if (dueForEngine(now)) {
              resolve([flips, deadline]);
              return;
            }
            picture.putImageData(pictures[flips % 2], x, y);
            ++flips;
            if (deadline < now - kLongestCatchUp) deadline = now;
            deadline += half;
            if (deadline - now >= kShortestYield || now - woken >= kLongestWork) break;
          }
          setTimeout(flip, Math.max(deadline - performance.now(), 0));
        };
        setTimeout(flip, Math.max(deadline - performance.now(), 0));
      });
    },
    // The engine in a loop only input moves on, which showed nothing new for a whole pass.
    restUntilInput() {
      return new Promise((resolve) => {
        resting = { resolve, timer: 0 };
        wakeResting();
      });
    },
    emit(type, json) {
      const detail = Object.assign({ t: Math.round(performance.now() - pageStart) }, JSON.parse(json));
      if (type === 'text') $('nev-live').textContent = detail.text;
      window.dispatchEvent(new CustomEvent('nev-' + type, { detail }));
    },
    setPictureSize(width, height) {
      canvas.width = width;
      canvas.height = height;
      fit();
    },
    ask(kind, caption, text, details) {
      return new Promise((resolve) => {
        const dialog = $('nev-dialog');
        $('nev-dialog-caption').textContent = our(caption);
        $('nev-dialog-text').textContent = our(text);
        $('nev-dialog-details').hidden = details === '';
        $('nev-dialog-details').querySelector('pre').textContent = details;
        const buttons = $('nev-dialog-buttons');
        buttons.replaceChildren();
        const add = (label, value) => {
          const button = document.createElement('button');
          button.textContent = label;
          button.value = value;
          buttons.append(button);
          return button;
        };
        if (kind === 0) {
          add('OK', 'yes');
        } else {
          const yes = add(our('はい'), 'yes');
          const no = add(our('いいえ'), 'no');
          (kind === 2 ? no : yes).autofocus = true;
        }
        dialog.returnValue = '';
        dialog.addEventListener('close', () => {
          canvas.focus();
          resolve(dialog.returnValue === 'yes');
        }, { once: true });
        dialog.showModal();
      });
    },
    notice(text) {
      const notice = $('nev-notice');
      notice.textContent = our(text);
      notice.hidden = false;
      clearTimeout(notice.timer);
      notice.timer = setTimeout(() => { notice.hidden = true; }, 2000);
    },
    copyText(text) {
      if (navigator.clipboard) navigator.clipboard.writeText(text).catch(() => {});
    },
    // For menus.js, touch.js and pad.js: the queue while a story plays.
    queue(entry) {
      if (state === 'playing') enqueue(entry);
    },
    lastQueued() { return input[input.length - 1]; },
    playing() { return state === 'playing'; },
    // A press on the first screen (a key, a tap, a pad's button) starts the story.
    startFromFirstScreen() {
      if (state !== 'ready') return false;
      start();
      return true;
    },
    picturePoint(event) { return picturePoint(event); },
    failed(caption, text) {
      console.error(`nev: ${caption}: ${text}`);
      say(`${our(caption)}\n${our(text)}`, true);
    },
  };

  // The picture as large as fits: its proportions kept, at a whole multiple (when one fits),
  // or stretched, as the screen menu says.
  function fit() {
    const scaling = window.nevMenus ? nevMenus.scalingMode : 0;
    let across = innerWidth / canvas.width, down = innerHeight / canvas.height;
    if (scaling !== 2) across = down = Math.min(across, down);
    if (scaling === 1 && across >= 1) across = down = Math.floor(across);
    canvas.style.width = `${Math.floor(canvas.width * across)}px`;
    canvas.style.height = `${Math.floor(canvas.height * down)}px`;
  }
  addEventListener('resize', fit);
  fit();

  // The reader's input, in picture pixels.
  function picturePoint(event) {
    const box = canvas.getBoundingClientRect();
    return [Math.floor((event.clientX - box.left) * canvas.width / box.width),
            Math.floor((event.clientY - box.top) * canvas.height / box.height)];
  }
  canvas.addEventListener('pointermove', (event) => {
    if (state !== 'playing') return;
    const [x, y] = picturePoint(event);
    const last = input[input.length - 1];
    if (last && last[0] === 1) input.pop();  // only the latest position matters
    enqueue([1, x, y, 0]);
  });
  // Fingers and pens are touch.js's.
  canvas.addEventListener('pointerdown', (event) => {
    if (state !== 'playing' || (event.button !== 0 && event.button !== 2)) return;
    canvas.focus();
    if (event.pointerType !== 'mouse') return;
    const [x, y] = picturePoint(event);
    enqueue([2, x, y, event.button]);
  });
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  const keys = { Enter: 1, ' ': 1, ArrowUp: 2, ArrowDown: 3, Control: 4, PageUp: 6,
                 F5: 7, F9: 8, F11: 9, F12: 10 };
  addEventListener('keydown', (event) => {
    if (state === 'ready') {
      start();
      return;
    }
    if (state !== 'playing' || document.querySelector('dialog[open]')) return;
    if (window.nevMenus && nevMenus.keyDown(event)) return;
    let key = keys[event.key];
    if ((event.key === 'c' || event.key === 'C') && event.ctrlKey) key = 5;
    if (!key) return;
    event.preventDefault();
    enqueue([4, 0, event.repeat ? 1 : 0, key]);
  });
  addEventListener('keyup', (event) => {
    if (state === 'playing' && event.key === 'Control') enqueue([5, 0, 0, 4]);
  });
  first.addEventListener('pointerdown', (event) => {
    if (state === 'ready' && !event.target.closest('#nev-pick')) start();
  });

  // Stories over http: an index beside them names every file.
  async function httpStory(base) {
    const response = await fetch(new URL('index.json', base));
    if (!response.ok) return null;
    const index = await response.json();
    if (index.format !== 1 || !Array.isArray(index.files)) throw new Error('index.json: not a story index');
    return {
      title: index.title || '',
      location: new URL(base).pathname,
      names: index.files.map((file) => file.name),
      async read(name) {
        const url = new URL(name.split('/').map(encodeURIComponent).join('/'), base);
        const reply = await fetch(url);
        return reply.ok ? new Uint8Array(await reply.arrayBuffer()) : null;
      },
    };
  }

  // A story from the reader's own device: File objects by their path in the folder.
  function localStory(files) {
    const byName = new Map();
    for (const [path, file] of files) byName.set(path, file);
    // A folder holding only the story's folder: that folder is the story.
    let names = [...byName.keys()];
    let folderName = '';
    while (names.length > 0 && names.every((name) => name.includes('/')) &&
           new Set(names.map((name) => name.slice(0, name.indexOf('/')))).size === 1) {
      const cut = names[0].indexOf('/') + 1;
      folderName = names[0].slice(0, cut - 1);
      for (const name of names) {
        byName.set(name.slice(cut), byName.get(name));
        byName.delete(name);
      }
      names = [...byName.keys()];
    }
    return {
      title: '',
      location: 'folder:' + folderName,
      names,
      async read(name) {
        const file = byName.get(name);
        return file ? new Uint8Array(await file.arrayBuffer()) : null;
      },
    };
  }

  // A story zip from the reader's device, read whole into the engine's memory.
  async function zipStory(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    await engineReady;
    const zipPath = '/zip/' + file.name.replace(/\//g, '_');
    engine.FS.mkdirTree('/zip');
    engine.FS.writeFile(zipPath, bytes);
    return { title: '', location: 'zip:' + file.name, names: [], zipPath, read: async () => null };
  }

  async function entries(entry, path, out) {
    if (entry.isFile) {
      out.push([path + entry.name, await new Promise((ok, fail) => entry.file(ok, fail))]);
    } else if (entry.isDirectory) {
      const reader = entry.createReader();
      for (;;) {
        const batch = await new Promise((ok, fail) => reader.readEntries(ok, fail));
        if (batch.length === 0) break;
        for (const child of batch) await entries(child, path + entry.name + '/', out);
      }
    }
  }

  // What the engine's `entry` says of the story, UTF-8, into a buffer this page owns while the
  // engine reads; the engine answers a buffer too small with the length it needs.
  async function askEngine(entry, found, capacity) {
    for (;;) {
      const buffer = engine._malloc(capacity);
      try {
        const length = await engine.ccall(entry, 'number', ['string', 'string', 'number', 'number'],
                                          [found.names.join('\n'), found.zipPath || '', buffer, capacity],
                                          { async: true });
        if (length < capacity) return engine.UTF8ToString(buffer, length);
        capacity = length + 1;
      } finally {
        engine._free(buffer);
      }
    }
  }

  // The title from the story's nev.ini.
  const storyTitle = (found) => askEngine('nev_story_title', found, 256);

  // The story's translations, [{code, name}], from the engine, which finds them as the desktop does.
  async function storyLanguages(found) {
    return (await askEngine('nev_story_languages', found, 1024)).split('\n').filter((line) => line)
      .map((line) => ({ code: line.slice(0, line.indexOf('\t')), name: line.slice(line.indexOf('\t') + 1) }));
  }

  // ?lang=CODE, else the one the reader last chose for this story, else the original.
  function languageToRead() {
    if (params.has('lang')) return askedLanguageFound() ? params.get('lang') : '';
    let remembered = null;
    try {
      remembered = localStorage.getItem(languageKey());
    } catch (error) {
      remembered = null;
    }
    return story.languages.some((language) => language.code === remembered) ? remembered : '';
  }

  // Whether ?lang= names the original or one of the story's translations. A link may name a
  // translation this story lacks: the story is read in its original rather than not at all.
  function askedLanguageFound() {
    const asked = params.get('lang') || '';
    return asked === '' || story.languages.some((language) => language.code === asked);
  }

  async function offer(found) {
    story = found;
    await engineReady;
    if (!story.title) story.title = await storyTitle(story);
    story.languages = await storyLanguages(story);
    document.title = story.title || 'nev';
    $('nev-title').textContent = story.title || 'nev';
    say('');
    if (!askedLanguageFound()) {
      const asked = params.get('lang');
      console.warn(`nev: the story has no translation "${asked}" (lang/${asked}/story.po); reading the original`);
      say(`この物語には翻訳「${asked}」がありません。原文で読みます。`);
    }
    nevCaptions.use(languageToRead());
    $('nev-pick').hidden = true;
    $('nev-start').hidden = false;
    state = 'ready';
  }

  function offerPicker() {
    $('nev-pick').hidden = false;
    say('');
    $('nev-folder').addEventListener('change', (event) => {
      const files = [...event.target.files].map((file) => [file.webkitRelativePath || file.name, file]);
      if (files.length > 0) offer(localStory(files));
    });
    $('nev-zip').addEventListener('change', async (event) => {
      if (event.target.files.length > 0) offer(await zipStory(event.target.files[0]));
    });
    first.addEventListener('dragover', (event) => {
      event.preventDefault();
      first.classList.add('nev-dropping');
    });
    first.addEventListener('dragleave', () => first.classList.remove('nev-dropping'));
    first.addEventListener('drop', async (event) => {
      event.preventDefault();
      first.classList.remove('nev-dropping');
      const files = [];
      const dropped = [...event.dataTransfer.files];
      if (dropped.length === 1 && /\.zip$/i.test(dropped[0].name)) {
        offer(await zipStory(dropped[0]));
        return;
      }
      for (const item of event.dataTransfer.items) {
        const entry = item.webkitGetAsEntry && item.webkitGetAsEntry();
        if (entry) await entries(entry, '', files);
      }
      if (files.length > 0) offer(localStory(files));
    });
  }

  async function start() {
    state = 'playing';
    shownFirstPicture = false;
    $('nev-start').hidden = true;
    progress.hidden = false;
    say(our('読み込み中…'));
    window.dispatchEvent(new CustomEvent('nev-start', { detail: { t: Math.round(performance.now() - pageStart) } }));
    if (window.nevSound && window.nevSound.start) window.nevSound.start();
    await engineReady;
    if (story.languages.length > 0 && !proportionalFontFetched) {
      const reply = await fetch('fonts/ipamp.ttf');
      if (reply.ok) engine.FS.writeFile(proportionalFontPath, new Uint8Array(await reply.arrayBuffer()));
      else console.error('nev: fonts/ipamp.ttf cannot be fetched; translated text is not drawn');
      proportionalFontFetched = true;
    }
    canvas.tabIndex = 0;
    canvas.focus();
    const language = languageToRead();
    nevCaptions.use(language);
    const failed = await engine.ccall(
      'nev_play', 'number', ['string', 'string', 'string', 'string', 'string', 'string', 'number'],
      [story.names.join('\n'), story.zipPath || '', fontPath, proportionalFontPath, language,
       story.location, resume], { async: true });
    resume = -1;  // the URL answered for its first story only
    input.length = 0;
    first.hidden = false;
    progress.hidden = true;
    if (!failed) say('');
    $('nev-start').hidden = false;
    state = 'ready';
  }

  const engineReady = (async () => {
    const [module, font] = await Promise.all([
      createNevModule(),
      fetch('fonts/ipam.ttf').then((reply) => (reply.ok ? reply.arrayBuffer() : null)),
    ]);
    engine = module;
    await window.nevSaves.mount(engine);
    engine.FS.mkdirTree('/fonts');
    if (font) engine.FS.writeFile(fontPath, new Uint8Array(font));
    else console.error('nev: fonts/ipam.ttf cannot be fetched; text is not drawn');
  })();

  (async () => {
    say('読み込み中…');
    const asked = new URLSearchParams(location.search).get('story');
    const base = new URL(asked ? asked.replace(/\/?$/, '/') : 'story/', location.href);
    let found = null;
    try {
      found = await httpStory(base);
    } catch (error) {
      say(`${base}: ${error.message}`, true);
      return;
    }
    if (found) offer(found);
    else if (asked) say(`${base}index.json: not found`, true);
    else offerPicker();
  })();
})();
