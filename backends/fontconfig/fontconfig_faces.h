#pragma once
// The desktop's fonts, found through fontconfig, as the font files a FreeType rasterizer draws
// from. The faces stories ask for ("ＭＳ 明朝", "MS Gothic" and the like) become IPA Mincho and
// IPA Gothic; a face that is not installed falls back to IPA Mincho, then to any Japanese face.

#include "base/freetype_glyph_rasterizer.h"

// Each call makes its own cache of lookups and file bytes, shared by the rasterizers it is
// given to; the source may be called from any thread.
FaceSource fontconfigFaces();
