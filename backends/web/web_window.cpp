#include "backends/web/web_window.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "backends/headless/headless_player.h"
#include "base/codepage.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "engine/reading.h"
#include "shell/menu.h"

namespace {

// kind: 0 a box with OK, 1 はい/いいえ, 2 the same with いいえ lit. 1 for はい.
EM_ASYNC_JS(int, nev_ask, (int kind, const char* caption, const char* text, const char* details), {
  return await nevPage.ask(kind, UTF8ToString(caption), UTF8ToString(text), UTF8ToString(details)) ? 1 : 0;
});

EM_JS(void, nev_notice, (const char* text), { nevPage.notice(UTF8ToString(text)); });
// captions.js's translation of one of our texts, in memory the caller frees.
EM_JS(char*, nev_our_text, (const char* japanese), {
  const given = UTF8ToString(japanese);
  const text = globalThis.nevCaptions ? nevCaptions.text(given) : given;
  const size = lengthBytesUTF8(text) + 1;
  const out = _malloc(size);
  stringToUTF8(text, out, size);
  return out;
});
EM_JS(void, nev_copy_text, (const char* text), { nevPage.copyText(UTF8ToString(text)); });
EM_JS(int, nev_screen_width, (), { return screen.width | 0; });
EM_JS(int, nev_screen_height, (), { return screen.height | 0; });

// The page's menus (menus.js); each is a no-op on a page without them.
EM_JS(void, nev_menu_call, (const char* method, const char* json), {
  if (window.nevMenus) nevMenus[UTF8ToString(method)](JSON.parse(UTF8ToString(json)));
});
EM_ASYNC_JS(int, nev_reader_menu, (const char* json), {
  return window.nevMenus ? await nevMenus.readerMenu(JSON.parse(UTF8ToString(json))) : 0;
});
EM_JS(void, nev_screenshot, (const uint8_t* rgba, int width, int height), {
  if (window.nevMenus) nevMenus.screenshot(HEAPU8.slice(rgba, rgba + width * height * 4), width, height);
});

void menuCall(const char* method, const std::string& json) { nev_menu_call(method, json.c_str()); }

// Items a page cannot serve: a window sized to an emulated display, a window size to forget,
// and the help file, which needs the desktop's own viewer.
bool servedInPage(int32_t id) {
  return id != kMenuFullSizeWindow && id != kMenuForgetWindowSize && id != kMenuHelpContents;
}

std::string menuBarJson() {
  std::string json = "[";
  for (const MenuBarEntry& bar : startMenuBar()) {
    if (json.size() > 1) json += ',';
    json += "{\"caption\":" + jsonString(bar.caption) + ",\"entries\":[";
    bool firstEntry = true;
    for (const MenuEntry& entry : bar.entries) {
      if (entry.kind == MenuEntry::Kind::Item && !servedInPage(entry.id)) continue;
      if (!firstEntry) json += ',';
      firstEntry = false;
      json += "{\"kind\":" + std::to_string(int(entry.kind)) + ",\"id\":" + std::to_string(entry.id) +
              ",\"caption\":" + jsonString(entry.caption) +
              ",\"checkable\":" + (isCheckableItem(entry.id) ? "true" : "false") +
              ",\"checked\":" + (entry.checked ? "true" : "false") + "}";
    }
    json += "]}";
  }
  return json + "]";
}

std::string colour(int32_t red, int32_t green, int32_t blue) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", unsigned(red & 0xFF), unsigned(green & 0xFF),
                unsigned(blue & 0xFF));
  return jsonString(text);
}

}  // namespace

void WebWindow::buildMenus() { menuCall("build", menuBarJson()); }

void WebWindow::showBox(const std::string& text, const std::string& caption,
                        const std::string& details) {
  nev_ask(0, caption.c_str(), text.c_str(), details.c_str());
}

bool WebWindow::askYesNo(const std::string& text, const std::string& caption) {
  return nev_ask(1, caption.c_str(), text.c_str(), "") != 0;
}

bool WebWindow::askBeforeLosing(const std::string& text, const std::string& caption) {
  return nev_ask(2, caption.c_str(), text.c_str(), "") != 0;
}

void WebWindow::showNotice(const std::string& text) { nev_notice(text.c_str()); }

void WebWindow::copyText(const std::string& utf8) { nev_copy_text(utf8.c_str()); }

std::string WebWindow::ourText(const std::string& japanese) {
  char* translated = nev_our_text(japanese.c_str());
  if (translated == nullptr) return japanese;
  std::string text = translated;
  std::free(translated);
  return text;
}

Size WebWindow::monitorSize() { return {nev_screen_width(), nev_screen_height()}; }

void WebWindow::appendMenuItem(int32_t submenu, int32_t id, const std::string& caption, bool) {
  menuCall("append", "{\"submenu\":" + std::to_string(submenu) + ",\"id\":" + std::to_string(id) +
                         ",\"caption\":" + jsonString(caption) + "}");
}

void WebWindow::checkMenuItem(int32_t id, bool checked) {
  menuCall("check", "{\"id\":" + std::to_string(id) + ",\"checked\":" + (checked ? "true" : "false") + "}");
}

void WebWindow::setMenuItem(int32_t id, const std::string& caption, bool enabled) {
  menuCall("set", "{\"id\":" + std::to_string(id) + ",\"caption\":" + jsonString(caption) +
                      ",\"enabled\":" + (enabled ? "true" : "false") + "}");
}

void WebWindow::greyMenuItem(int32_t id, const std::string& why) {
  menuCall("grey", "{\"id\":" + std::to_string(id) + ",\"why\":" + jsonString(why) + "}");
}

void WebWindow::showDefaultWindow(Size) { menuCall("fullScreen", "false"); }

void WebWindow::showPreviousWindow(Size) { menuCall("fullScreen", "false"); }

void WebWindow::showFullSizeWindow() { menuCall("fullScreen", "true"); }

void WebWindow::setPictureScaling(PictureScaling scaling) {
  menuCall("scaling", std::to_string(int(scaling)));
}

void WebWindow::saveScreenshot() {
  std::vector<uint8_t> rgba;
  int32_t width = 0, height = 0;
  {
    SurfaceSet& set = context_.surfaces;
    std::lock_guard guard(set.pixelLock);
    if (set.displayBitmap) {
      width = set.surfaceWidth;
      height = set.surfaceHeight;
      const std::vector<Pixel>& pixels = set.displayBitmap->pixels;
      rgba.reserve(size_t(width) * height * 4);
      for (size_t i = 0; i < size_t(width) * height && i < pixels.size(); ++i) {
        rgba.insert(rgba.end(), {uint8_t(pixels[i] >> 16), uint8_t(pixels[i] >> 8), uint8_t(pixels[i]), 255});
      }
    }
  }
  if (rgba.empty() || rgba.size() != size_t(width) * height * 4) {
    std::fprintf(stderr, "nev: there is no picture to take a screenshot of\n");
    showNotice("スクリーンショットを保存できませんでした");
    return;
  }
  nev_screenshot(rgba.data(), width, height);
}

void WebWindow::showBacklog() {
  if (context_.reading.backlogOpen.load() != 0) return;
  const GameConfig& config = context_.config;
  std::string pages;
  for (const std::vector<std::string>& page : backlogPages(context_)) {
    std::string lines;
    for (const std::string& line : page) {
      bool choice = false;
      const std::string text = backlogLineText(line, choice);
      if (!lines.empty()) lines += ',';
      lines += "[" + jsonString(text) + "," +
               (choice ? "1" : "0") + "]";
    }
    pages += (pages.empty() ? "[" : ",[") + lines + "]";
  }
  context_.reading.backlogOpen = 1;
  menuCall("backlog",
           "{\"fontSize\":" + std::to_string(std::clamp(context_.shared.messageFontSize.load(), 10, 48)) +
               ",\"text\":" + colour(config.textRed, config.textGreen, config.textBlue) +
               ",\"shadow\":" + colour(config.shadowRed, config.shadowGreen, config.shadowBlue) +
               ",\"choice\":" + colour(config.pickRed, config.pickGreen, config.pickBlue) +
               ",\"shadowDx\":" + std::to_string(std::clamp(config.shadowDx, -4, 4)) +
               ",\"shadowDy\":" + std::to_string(std::clamp(config.shadowDy, -4, 4)) +
               ",\"pages\":[" + pages + "]}");
}

void WebWindow::backlogClosed() { context_.reading.backlogOpen = 0; }

int32_t WebWindow::chooseFromReaderMenu(const std::vector<ReaderMenuItem>& items) {
  std::string json = "[";
  for (const ReaderMenuItem& item : items) {
    if (json.size() > 1) json += ',';
    json += "{\"id\":" + std::to_string(item.id) + ",\"caption\":" + jsonString(item.caption) +
            ",\"checked\":" + (item.checked ? "true" : "false") + "}";
  }
  return nev_reader_menu((json + "]").c_str());
}
