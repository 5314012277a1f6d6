#include "backends/web/web_window.h"

#include <emscripten.h>

namespace {

// kind: 0 a box with OK, 1 はい/いいえ, 2 the same with いいえ lit. 1 for はい.
EM_ASYNC_JS(int, nev_ask, (int kind, const char* caption, const char* text, const char* details), {
  return await nevPage.ask(kind, UTF8ToString(caption), UTF8ToString(text), UTF8ToString(details)) ? 1 : 0;
});

EM_JS(void, nev_notice, (const char* text), { nevPage.notice(UTF8ToString(text)); });
EM_JS(void, nev_copy_text, (const char* text), { nevPage.copyText(UTF8ToString(text)); });
EM_JS(int, nev_screen_width, (), { return screen.width | 0; });
EM_JS(int, nev_screen_height, (), { return screen.height | 0; });

}  // namespace

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

Size WebWindow::monitorSize() { return {nev_screen_width(), nev_screen_height()}; }
