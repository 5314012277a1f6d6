// The page's own captions in the language of the translation being read, from the table our
// caption files make at build time (caption_table.js). They are written in Japanese, as the
// story's own are; with the original they stay exactly as written. A language without captions
// of its own reads the English ones, which more of its readers can read than the Japanese.
'use strict';
(() => {
  const tables = window.nevCaptionTable || {};
  let table = null;  // null: the original
  const kept = new Map();  // element -> {property: the Japanese it shows}

  // The captions' language for translation `code`: "pt-BR" reads "pt_BR", else "pt", else "en".
  function captionLanguage(code) {
    for (let name = code.replace(/-/g, '_'); ;) {
      if (tables[name]) return name;
      const cut = name.lastIndexOf('_');
      if (cut <= 0) return tables.en ? 'en' : '';
      name = name.slice(0, cut);
    }
  }

  // A text of several lines without a translation as a whole is translated line by line.
  function text(japanese) {
    if (!table || typeof japanese !== 'string') return japanese;
    const whole = table[japanese];
    if (whole !== undefined) return whole;
    if (!japanese.includes('\n')) return japanese;
    return japanese.split('\n').map((line) => table[line] ?? line).join('\n');
  }

  function show(element, shown) {
    for (const [property, japanese] of Object.entries(shown)) {
      if (property === 'textContent') element.textContent = text(japanese);
      else element.setAttribute(property, text(japanese));
    }
  }

  window.nevCaptions = {
    text,
    // `element`'s `property` (textContent, or an attribute) shows `japanese` in the language
    // being read, now and after each change of language.
    keep(element, property, japanese) {
      const shown = kept.get(element) || {};
      shown[property] = japanese;
      kept.set(element, shown);
      show(element, { [property]: japanese });
    },
    // The translation `code` is read from now on; empty: the original.
    use(code) {
      const language = code ? captionLanguage(code) : '';
      table = language ? tables[language] : null;
      document.documentElement.lang = language ? language.replace(/_/g, '-') : 'ja';
      kept.forEach((shown, element) => show(element, shown));
    },
  };

  // The page's own elements marked in index.html.
  for (const element of document.querySelectorAll('[data-caption]')) {
    nevCaptions.keep(element, 'textContent', element.textContent);
  }
})();
