// The reader's saves in the page: /saves in the engine's file system is kept in this site's
// IndexedDB, stored again whenever the engine says it changed; the slot dialog with its
// thumbnails, and a slot exported as the desktop's own save file or one imported into a slot.
'use strict';
(() => {
  let engine = null;
  let filled = false;      // /saves came from IndexedDB: storing it back loses nothing
  let storing = null;      // the store under way
  let storeAgain = false;  // a change came while it ran
  const told = new Set();  // what the reader has been told once
  const tiles = [];        // by slot: {path, text, used, thumbnail}

  // A refusal to keep the saves is said once a browser session (a private window forgets that
  // it was said along with the rest); the notice lets clicks through to the picture and goes
  // after a while.
  function tellOnce(what, text) {
    const key = 'nev-told-' + what;
    try {
      if (told.has(what) || sessionStorage.getItem(key)) return;
      sessionStorage.setItem(key, '1');
    } catch (error) { /* no storage at all: said once a page */ }
    told.add(what);
    const notice = document.getElementById('nev-saves-notice');
    // Said before the story's language is known, it follows once that is.
    nevCaptions.keep(notice, 'textContent', text);
    notice.hidden = false;
    setTimeout(() => { notice.hidden = true; }, 12000);
  }

  function syncfs(populate) {
    return new Promise((resolve, reject) => {
      engine.FS.syncfs(populate, (error) => (error ? reject(error) : resolve()));
    });
  }

  function failedToStore(error) {
    const full = error && (error.name === 'QuotaExceededError' ||
                           /quota/i.test(String(error.message || error)));
    console.error(`nev: the saves cannot be kept: ${error && (error.message || error)}`);
    tellOnce(full ? 'quota' : 'store', full
      ? 'ブラウザーの保存領域がいっぱいで、しおりを残せません。ほかのサイトのデータを消すと残せるようになります。'
      : 'このブラウザーではしおりを残せません。ページを閉じると失われます。');
  }

  async function store() {
    if (!filled) return;
    ++window.nevSaves.stores;
    if (storing) {
      storeAgain = true;
      return;
    }
    storing = (async () => {
      do {
        storeAgain = false;
        try {
          await syncfs(false);
        } catch (error) {
          failedToStore(error);
          break;
        }
      } while (storeAgain);
    })();
    await storing;
    storing = null;
  }

  function download(bytes, name) {
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  }

  function thumbnailCanvas(tile) {
    const canvas = document.createElement('canvas');
    canvas.className = 'nev-slot-thumbnail';
    if (!tile.thumbnail) return canvas;
    canvas.width = tile.thumbnail.width;
    canvas.height = tile.thumbnail.height;
    canvas.getContext('2d').putImageData(tile.thumbnail, 0, 0);
    return canvas;
  }

  window.nevSaves = {
    // Before the first story plays: /saves filled from IndexedDB, and the browser asked once to
    // keep it (a private window or a refusal is told once).
    async mount(module) {
      engine = module;
      engine.FS.mkdirTree('/saves');
      try {
        engine.FS.mount(engine.FS.filesystems.IDBFS, {}, '/saves');
        // A page of this site left while it was creating the database can hold it up for good:
        // the story then plays, its saves kept for this page only.
        await Promise.race([syncfs(true), new Promise((_, fail) => {
          setTimeout(() => fail(new Error('IndexedDB does not open')), 5000);
        })]);
        filled = true;
      } catch (error) {
        failedToStore(error);
      }
      window.nevSaves.opened = true;
      if (navigator.storage && navigator.storage.persist) {
        navigator.storage.persist().then((kept) => {
          if (!kept) {
            tellOnce('persist', 'このブラウザーはしおりをずっと残すとは約束していません（プライベートウィンドウなど）。大切なしおりは「書き出す」でファイルにしてください。');
          }
        }, () => {});
      }
    },
    opened: false,  // mount() has finished
    store,
    stores: 0,  // how many times the engine asked
    // Settles once what was asked to be stored is in IndexedDB.
    stored: () => storing || Promise.resolve(),
    // The engine's slots, one call each, before choose().
    tile(slot, path, text, used, pixels, width, height) {
      let thumbnail = null;
      if (width > 0 && height > 0) {
        thumbnail = new ImageData(width, height);
        for (let i = 0; i < pixels.length; ++i) {
          const pixel = pixels[i];
          thumbnail.data.set([(pixel >> 16) & 255, (pixel >> 8) & 255, pixel & 255, 255], i * 4);
        }
      }
      tiles[slot] = { path, text, used, thumbnail };
    },
    // The reader's choice in the dialog: action * 100 + slot (0 close, 1 save, 2 load,
    // 3 delete, 4 a file put at importPath for the slot).
    choose(canSave, lit, importPath) {
      const dialog = document.getElementById('nev-slots');
      const grid = document.getElementById('nev-slots-grid');
      const buttons = {};
      for (const name of ['save', 'load', 'delete', 'export', 'import']) {
        buttons[name] = document.getElementById(`nev-slots-${name}`);
      }
      let picked = lit >= 1 && lit < tiles.length ? lit : 1;
      const light = () => {
        const tile = tiles[picked];
        for (const item of grid.children) {
          item.setAttribute('aria-pressed', String(Number(item.dataset.slot) === picked));
        }
        buttons.save.disabled = !canSave || picked > 10;
        buttons.load.disabled = buttons.delete.disabled = buttons.export.disabled = !tile.used;
      };
      grid.replaceChildren();
      tiles.forEach((tile, slot) => {
        if (!tile) return;
        const item = document.createElement('button');
        item.type = 'button';
        item.className = 'nev-slot';
        item.dataset.slot = slot;
        const text = document.createElement('span');
        text.textContent = tile.text;
        item.append(thumbnailCanvas(tile), text);
        item.addEventListener('click', () => {
          picked = slot;
          light();
        });
        item.addEventListener('dblclick', () => {
          if (tile.used) dialog.close(String(200 + slot));
        });
        grid.append(item);
      });
      light();
      return new Promise((resolve) => {
        const act = {
          save: () => dialog.close(String(100 + picked)),
          load: () => dialog.close(String(200 + picked)),
          delete: () => dialog.close(String(300 + picked)),
          export: () => {
            const path = tiles[picked].path;
            download(engine.FS.readFile(path), path.slice(path.lastIndexOf('/') + 1));
          },
          import: () => document.getElementById('nev-slots-file').click(),
        };
        const clicks = Object.entries(buttons).map(([name, button]) => {
          const handler = () => act[name]();
          button.addEventListener('click', handler);
          return () => button.removeEventListener('click', handler);
        });
        const file = document.getElementById('nev-slots-file');
        const imported = async () => {
          const chosen = file.files[0];
          file.value = '';
          if (!chosen) return;
          engine.FS.writeFile(importPath, new Uint8Array(await chosen.arrayBuffer()));
          dialog.close(String(400 + picked));
        };
        file.addEventListener('change', imported);
        dialog.returnValue = '';
        dialog.addEventListener('close', () => {
          clicks.forEach((off) => off());
          file.removeEventListener('change', imported);
          resolve(Number(dialog.returnValue) || 0);
        }, { once: true });
        dialog.showModal();
        grid.children[Math.max(0, picked - 1)]?.focus();
      });
    },
  };

  // A tab closed or put away: the engine keeps its place now, and the store starts at once.
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState !== 'hidden') return;
    if (window.nevPage) window.nevPage.queue([10, 0, 0, 0]);
    store();
  });
})();
