#pragma once
// Faces for a host without fontconfig (the browser): every face name is drawn from one font
// file the host was given by path, as the desktop draws "ＭＳ 明朝" with IPA Mincho; the
// translated text's proportional face from a second file, when the host gives one.

#include <string>

#include "base/freetype_glyph_rasterizer.h"

// The file is read once, when a face is first asked for; a file that cannot be read gives no
// face (the text is then not drawn), said once on stderr.
FaceSource fontFileFaces(const std::string& hostPath, const std::string& proportionalPath = {});
