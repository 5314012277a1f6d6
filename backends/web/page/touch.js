// A finger on the picture: a tap is a left click where it lands, a long press or a two-finger
// tap a right click (the text hidden), a swipe down opens the backlog.
'use strict';
(() => {
  const canvas = document.getElementById('nev-picture');
  // A finger has no hover: a tap moves the pointer where it lands and clicks as it lifts, a
  // little later however quickly it lifts, so that a choice's item lights before the click that
  // picks it, as under a mouse.
  const tapClickAfter = 60;
  const longPress = 500;
  const still = 12;      // CSS pixels a tap may wander
  const swipe = 60;      // CSS pixels down that make a swipe
  const fingers = new Map();  // pointerId -> {x, y, dx, dy}
  let gesture = null;         // {at: picture point, done, timer}

  const queue = (entry) => nevPage.queue(entry);
  const rightClick = () => {
    queue([2, gesture.at[0], gesture.at[1], 2]);
    gesture.done = true;
  };

  canvas.addEventListener('pointerdown', (event) => {
    if (event.pointerType === 'mouse' || !nevPage.playing()) return;
    fingers.set(event.pointerId, { x: event.clientX, y: event.clientY, dx: 0, dy: 0 });
    if (fingers.size === 1) {
      const at = nevPage.picturePoint(event);
      queue([1, at[0], at[1], 0]);
      gesture = { at, done: false, timer: setTimeout(() => { if (gesture && !gesture.done) rightClick(); }, longPress) };
    } else if (gesture && !gesture.done) {
      clearTimeout(gesture.timer);
      rightClick();
    }
  });
  canvas.addEventListener('pointermove', (event) => {
    const finger = fingers.get(event.pointerId);
    if (!finger) return;
    finger.dx = event.clientX - finger.x;
    finger.dy = event.clientY - finger.y;
    if (gesture && Math.hypot(finger.dx, finger.dy) > still) clearTimeout(gesture.timer);
  });
  const lifted = (event, cancelled) => {
    const finger = fingers.get(event.pointerId);
    if (!finger) return;
    fingers.delete(event.pointerId);
    if (!gesture || fingers.size > 0) return;
    clearTimeout(gesture.timer);
    if (!gesture.done && !cancelled) {
      if (finger.dy > swipe && Math.abs(finger.dx) < finger.dy) {
        queue([4, 0, 0, 6]);
      } else if (Math.hypot(finger.dx, finger.dy) <= still) {
        const click = Object.assign([2, gesture.at[0], gesture.at[1], 0], { after: tapClickAfter });
        // Still behind its move: timed when the move is taken.
        const last = nevPage.lastQueued();
        if (!(last && last[0] === 1 && last[2] === gesture.at[1])) click.notBefore = performance.now() + tapClickAfter;
        queue(click);
      }
    }
    gesture = null;
  };
  canvas.addEventListener('pointerup', (event) => lifted(event, false));
  canvas.addEventListener('pointercancel', (event) => lifted(event, true));
})();
