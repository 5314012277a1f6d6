#pragma once
// Paints waiting for the window: a paint shows the surface as it is when the paint comes, so an
// area inside one already waiting adds nothing, and a story that repaints in a loop without
// sleeping keeps one request. Each paint presents only its own area.

#include <vector>

#include "base/surface.h"

inline bool containsRect(const Rect& outer, const Rect& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

inline void addPendingPaint(std::vector<Rect>& pending, const Rect& wanted) {
  for (const Rect& waiting : pending) {
    if (containsRect(waiting, wanted)) return;
  }
  std::erase_if(pending, [&](const Rect& waiting) { return containsRect(wanted, waiting); });
  pending.push_back(wanted);
}
