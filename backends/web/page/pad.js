// A game controller through the Gamepad API, with the desktop's mapping: its buttons go to the
// open menu or backlog, else to the window procedure. Polled only while a pad is connected.
'use strict';
(() => {
  // The standard layout's buttons by index, as PadButton numbers them.
  const padButtons = { 0: 0, 1: 1, 2: 2, 3: 3, 9: 4, 8: 5, 12: 6, 13: 7, 14: 8, 15: 9, 4: 10, 5: 11 };
  const held = new Map();  // pad index -> pressed flags by button index
  let polling = false;
  // The browser polls the pads for as long as anyone listens for a new one, a cost of its own
  // while the reader rests at a wait. So with no pad connected a story in play listens a second
  // in every few; the first screen listens throughout.
  const kListenMs = 1000;
  const kListenEveryMs = 3000;
  let listening = false;
  let lookTimer = 0;

  function poll() {
    const pads = [...navigator.getGamepads()].filter(Boolean);
    polling = pads.length > 0;
    if (!polling) {
      look();
      return;
    }
    for (const pad of pads) {
      const was = held.get(pad.index) || [];
      const now = pad.buttons.map((button) => button.pressed);
      now.forEach((pressed, index) => {
        const button = padButtons[index];
        if (button === undefined || pressed === Boolean(was[index])) return;
        if (pressed && nevPage.startFromFirstScreen()) return;
        if (window.nevMenus && nevMenus.padButton(button, pressed)) return;
        if (nevPage.playing()) nevPage.queue([8, 0, pressed ? 1 : 0, button]);
      });
      held.set(pad.index, now);
    }
    requestAnimationFrame(poll);
  }

  function connected() {
    clearTimeout(lookTimer);
    listen(true);
    if (!polling) requestAnimationFrame(poll);
  }

  function listen(on) {
    if (on === listening) return;
    listening = on;
    (on ? addEventListener : removeEventListener)('gamepadconnected', connected);
    (on ? addEventListener : removeEventListener)('gamepaddisconnected', disconnected);
  }

  function disconnected(event) { held.delete(event.gamepad.index); }

  // Listens for a new pad now, and for a while from now on.
  function look() {
    clearTimeout(lookTimer);
    listen(true);
    lookTimer = setTimeout(() => {
      if (polling) return;
      if (window.nevPage && nevPage.playing()) listen(false);
      lookTimer = setTimeout(look, kListenEveryMs - kListenMs);
    }, kListenMs);
  }

  look();
})();
