// A game controller through the Gamepad API, with the desktop's mapping: its buttons go to the
// open menu or backlog, else to the window procedure. Polled only while a pad is connected.
'use strict';
(() => {
  // The standard layout's buttons by index, as PadButton numbers them.
  const padButtons = { 0: 0, 1: 1, 2: 2, 3: 3, 9: 4, 8: 5, 12: 6, 13: 7, 14: 8, 15: 9, 4: 10, 5: 11 };
  const held = new Map();  // pad index -> pressed flags by button index
  let polling = false;

  function poll() {
    const pads = [...navigator.getGamepads()].filter(Boolean);
    polling = pads.length > 0;
    if (!polling) return;
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

  addEventListener('gamepadconnected', () => {
    if (!polling) requestAnimationFrame(poll);
  });
  addEventListener('gamepaddisconnected', (event) => held.delete(event.gamepad.index));
})();
