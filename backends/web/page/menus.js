// The page's menus over the picture, built from the items the window procedure gives (through
// WebWindow) and sending its commands back through the input queue; the backlog, the reader's
// menu, screenshots, full screen, the picture's scaling and the desktop's window keys.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const stage = $('nev-stage');
  const canvas = $('nev-picture');
  const element = (tag, className, text) => {
    const made = document.createElement(tag);
    if (className) made.className = className;
    if (text !== undefined) made.textContent = text;
    return made;
  };
  const queue = (entry) => window.nevPage && nevPage.queue(entry);
  const our = (japanese) => nevCaptions.text(japanese);
  const keyCode = { leave: 11, backlog: 6 };

  const button = element('button', 'nev-menu-button', '☰');
  button.id = 'nev-menu-button';
  nevCaptions.keep(button, 'title', 'メニュー (Esc)');
  nevCaptions.keep(button, 'aria-label', 'メニュー');
  button.hidden = true;
  const panel = element('nav', 'nev-overlay');
  panel.id = 'nev-menus';
  panel.hidden = true;
  const mark = element('div');
  mark.id = 'nev-mark';
  mark.hidden = true;
  const backlog = element('div', 'nev-overlay');
  backlog.id = 'nev-backlog';
  backlog.hidden = true;
  const readerMenu = element('div', 'nev-overlay');
  readerMenu.id = 'nev-reader-menu';
  readerMenu.hidden = true;
  stage.append(button, mark, panel, backlog, readerMenu);

  const items = new Map();  // id -> its button
  const lists = [];         // the menus' item lists by their place on the bar
  let wantFullScreen = false;
  let pickFromReaderMenu = null;

  function itemButton(entry) {
    const [caption, shortcut] = our(entry.caption).split('\t');
    const item = element('button', 'nev-item');
    item.setAttribute('role', entry.checkable ? 'menuitemcheckbox' : 'menuitem');
    item.append(element('span', 'nev-tick'), element('span', 'nev-caption', caption));
    if (shortcut) item.append(element('span', 'nev-shortcut', shortcut));
    item.dataset.id = entry.id;
    if (entry.checkable) item.setAttribute('aria-checked', String(entry.checked));
    item.addEventListener('click', () => {
      close();
      queue([6, 0, 0, entry.id]);
    });
    items.set(entry.id, item);
    return item;
  }

  function build(bar) {
    items.clear();
    lists.length = 0;
    panel.replaceChildren();
    const tabs = element('div', 'nev-tabs');
    tabs.setAttribute('role', 'menubar');
    panel.append(tabs);
    bar.forEach((menu, index) => {
      const tab = element('button', 'nev-tab', our(menu.caption));
      tab.hidden = menu.entries.length === 0;  // the 言語 menu, until the story's languages come
      tab.addEventListener('click', () => show(index));
      tabs.append(tab);
      const list = element('div', 'nev-list');
      list.setAttribute('role', 'menu');
      list.hidden = true;
      let target = list;
      for (const entry of menu.entries) {
        if (entry.kind === 0) {
          target.append(itemButton(entry));
        } else if (entry.kind === 1) {
          if (target.lastChild && target.lastChild.tagName !== 'HR') target.append(element('hr'));
        } else if (entry.kind === 2) {
          const group = element('div', 'nev-group');
          group.append(element('div', 'nev-group-caption', our(entry.caption)));
          target.append(group);
          target = group;
        } else {
          // A run of short steps (the volumes) reads better across than down.
          const steps = [...target.querySelectorAll('.nev-caption')];
          if (steps.length >= 4 && steps.every((step) => step.textContent.length <= 4)) target.classList.add('nev-row');
          target = list;
        }
      }
      lists.push({ tab, list });
      panel.append(list);
    });
    show(0);
  }

  function show(index) {
    lists.forEach(({ tab, list }, at) => {
      list.hidden = at !== index;
      tab.classList.toggle('nev-current', at === index);
    });
  }

  function open() {
    panel.hidden = false;
    queue([7, 0, 0, 0]);  // captions and ticks brought up to date
    const first = panel.querySelector('.nev-current');
    if (first) first.focus();
  }
  function close() {
    if (!panel.hidden) queue([11, 0, 0, 0]);  // the story goes on
    panel.hidden = true;
    canvas.focus();
  }

  function closeBacklog() {
    if (backlog.hidden) return;
    backlog.hidden = true;
    queue([9, 0, 0, 0]);
    canvas.focus();
  }

  function readerMenuPick(id) {
    readerMenu.hidden = true;
    const resolve = pickFromReaderMenu;
    pickFromReaderMenu = null;
    canvas.focus();
    if (resolve) resolve(id);
  }

  // Up and Down walk the buttons of the open overlay, as they do a desktop menu.
  function walk(container, step) {
    const buttons = [...container.querySelectorAll('button:not([disabled])')]
      .filter((candidate) => candidate.offsetParent !== null);
    if (buttons.length === 0) return;
    const at = buttons.indexOf(document.activeElement);
    buttons[(at + step + buttons.length) % buttons.length].focus();
  }

  function downloadPng(rgba, width, height, name) {
    const copy = document.createElement('canvas');
    copy.width = width;
    copy.height = height;
    copy.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(rgba.buffer), width, height), 0, 0);
    copy.toBlob((blob) => {
      if (!blob) return nevPage.notice(our('スクリーンショットを保存できませんでした'));
      const link = element('a');
      link.href = URL.createObjectURL(blob);
      link.download = name;
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
      nevPage.notice(our('スクリーンショット: ') + name);
    }, 'image/png');
  }

  function stamp() {
    const now = new Date();
    const two = (value) => String(value).padStart(2, '0');
    return `${now.getFullYear()}${two(now.getMonth() + 1)}${two(now.getDate())}-` +
           `${two(now.getHours())}${two(now.getMinutes())}${two(now.getSeconds())}`;
  }

  window.nevMenus = {
    scalingMode: 0,
    build,
    append({ submenu, id, caption }) {
      if (!lists[submenu]) return;
      lists[submenu].tab.hidden = false;
      lists[submenu].list.append(itemButton({ id, caption, checkable: true, checked: false }));
    },
    check({ id, checked }) {
      const item = items.get(id);
      if (item) item.setAttribute('aria-checked', String(checked));
    },
    set({ id, caption, enabled }) {
      const item = items.get(id);
      if (!item) return;
      item.querySelector('.nev-caption').textContent = our(caption).split('\t')[0];
      item.disabled = !enabled;
    },
    grey({ id, why }) {
      const item = items.get(id);
      if (!item) return;
      item.disabled = true;
      item.title = our(why);
    },
    fullScreen(on) {
      wantFullScreen = on;
      if (on && !document.fullscreenElement) {
        // Refused (no gesture, or a frame that may not): the shell hears the window is back.
        document.documentElement.requestFullscreen().catch(() => {
          wantFullScreen = false;
          queue([4, 0, 0, keyCode.leave]);
        });
      } else if (!on && document.fullscreenElement) {
        document.exitFullscreen().catch(() => {});
      }
    },
    scaling(mode) {
      this.scalingMode = mode;
      dispatchEvent(new Event('resize'));
    },
    screenshot(rgba, width, height) {
      downloadPng(rgba, width, height, `${document.title || 'nev'}-${stamp()}.png`);
    },
    backlog(log) {
      backlog.replaceChildren();
      const scale = canvas.getBoundingClientRect().width / canvas.width || 1;
      backlog.style.fontSize = `${Math.max(12, Math.round(log.fontSize * scale))}px`;
      backlog.style.color = log.text;
      backlog.style.textShadow = `${log.shadowDx}px ${log.shadowDy}px 0 ${log.shadow}`;
      for (const page of log.pages) {
        const block = element('div', 'nev-backlog-page');
        for (const [text, choice] of page) {
          const line = element('p', choice ? 'nev-backlog-choice' : '', choice ? `→ ${text}` : text);
          if (choice) line.style.color = log.choice;
          block.append(line);
        }
        backlog.append(block);
      }
      backlog.hidden = false;
      backlog.scrollTop = backlog.scrollHeight;
      backlog.focus();
    },
    readerMenu(choices) {
      return new Promise((resolve) => {
        pickFromReaderMenu = resolve;
        readerMenu.replaceChildren();
        for (const choice of choices) {
          const item = element('button', 'nev-item');
          item.append(element('span', 'nev-tick'), element('span', 'nev-caption', our(choice.caption)));
          item.setAttribute('role', 'menuitemcheckbox');
          item.setAttribute('aria-checked', String(choice.checked));
          item.addEventListener('click', () => readerMenuPick(choice.id));
          readerMenu.append(item);
        }
        readerMenu.hidden = false;
        const first = readerMenu.querySelector('button');
        if (first) first.focus();
      });
    },
    readingMark(text) {
      mark.textContent = text;
      mark.hidden = text === '';
    },
    // A key the overlays or the window take; true when taken.
    keyDown(event) {
      const overlay = [readerMenu, backlog, panel].find((open) => !open.hidden);
      if (overlay) {
        if (event.key === 'Escape') {
          event.preventDefault();
          if (overlay === readerMenu) readerMenuPick(0);
          else if (overlay === backlog) closeBacklog();
          else close();
        } else if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
          event.preventDefault();
          if (overlay === backlog) {
            const atEnd = backlog.scrollTop + backlog.clientHeight >= backlog.scrollHeight - 1;
            if (event.key === 'ArrowDown' && atEnd) closeBacklog();
            else backlog.scrollBy(0, (event.key === 'ArrowDown' ? 1 : -1) * backlog.clientHeight / 4);
          } else {
            walk(overlay, event.key === 'ArrowDown' ? 1 : -1);
          }
        }
        return true;
      }
      if (event.key === 'Escape') {
        // Leaves full screen first, as the browser's own Escape does; the shell hears of it.
        event.preventDefault();
        if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
        else open();
        return true;
      }
      return false;
    },
    // A pad's button while an overlay is open: true when taken there.
    padButton(button, pressed) {
      const overlay = [readerMenu, backlog, panel].find((open) => !open.hidden);
      if (!overlay) return false;
      if (!pressed) return true;
      const keys = { 0: 'Enter', 1: 'Escape', 4: 'Escape', 6: 'ArrowUp', 7: 'ArrowDown' };
      const key = keys[button];
      if (key === 'Enter') {
        if (overlay === backlog) closeBacklog();
        else if (document.activeElement && overlay.contains(document.activeElement)) document.activeElement.click();
      } else if (key) {
        this.keyDown(new KeyboardEvent('keydown', { key }));
      }
      return true;
    },
    open,
  };

  button.addEventListener('click', () => (panel.hidden ? open() : close()));
  panel.addEventListener('click', (event) => { if (event.target === panel) close(); });
  readerMenu.addEventListener('click', (event) => { if (event.target === readerMenu) readerMenuPick(0); });
  backlog.addEventListener('click', closeBacklog);
  backlog.addEventListener('contextmenu', (event) => {
    event.preventDefault();
    closeBacklog();
  });
  backlog.addEventListener('wheel', (event) => {
    const atEnd = backlog.scrollTop + backlog.clientHeight >= backlog.scrollHeight - 1;
    if (event.deltaY > 0 && atEnd) closeBacklog();
  });
  backlog.tabIndex = -1;
  // The wheel turned up over the picture looks back, as on the desktop.
  canvas.addEventListener('wheel', (event) => {
    if (event.deltaY < 0) queue([4, 0, 0, keyCode.backlog]);
  }, { passive: true });
  // The browser left full screen by itself (its own Escape): the shell's window goes back too.
  document.addEventListener('fullscreenchange', () => {
    if (!document.fullscreenElement && wantFullScreen) {
      wantFullScreen = false;
      queue([4, 0, 0, keyCode.leave]);
    }
  });
  addEventListener('nev-start', () => { button.hidden = false; });
  addEventListener('nev-end', () => {
    button.hidden = true;
    panel.hidden = true;
    backlog.hidden = true;
    mark.hidden = true;
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    wantFullScreen = false;
  });
})();
