#include "backends/web/page_blink.h"

#include <emscripten.h>

namespace {

// Larger areas are not the marker's: not kept, so a new picture is not copied for nothing.
constexpr size_t kLargestArea = 128 * 128;

EM_ASYNC_JS(int, nev_blink_in_page, (int x, int y, int width, int height, const uint8_t* shown,
                                     const uint8_t* other, double* deadline, double half), {
  const size = width * height * 4;
  const [flips, at] = await nevPage.blinkInPage(x, y, width, height, HEAPU8.slice(shown, shown + size),
                                                HEAPU8.slice(other, other + size), HEAPF64[deadline >> 3], half);
  HEAPF64[deadline >> 3] = at;
  return flips;
});

bool sameArea(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

void PageBlink::slept(const Rect* area, const std::vector<uint8_t>& pixels, int32_t milliseconds) {
  if (pixels.size() > kLargestArea * 4) area = nullptr;
  const bool continues = area != nullptr && !shown_.empty() && sameArea(*area, area_) &&
                         milliseconds == milliseconds_ && pixels != shown_;
  if (!continues) {
    alternations_ = 0;
  } else if (alternations_ == 0 || pixels == before_) {
    ++alternations_;
  } else {
    alternations_ = 1;
  }
  before_ = std::move(shown_);
  shown_.clear();
  if (area == nullptr) return;
  area_ = *area;
  shown_ = pixels;
  milliseconds_ = milliseconds;
}

int32_t PageBlink::blinkInPage(double& deadline) {
  const int32_t flips =
      nev_blink_in_page(area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top,
                        shown_.data(), before_.data(), &deadline, double(milliseconds_));
  // What the runner shows next is learnt afresh.
  alternations_ = 0;
  shown_.clear();
  before_.clear();
  return flips;
}
