#!/usr/bin/env python3
"""Our caption files (backends/qt/translations/nev_*.ts) as one table for the player page:
   tools/web/caption_table.py OUT.js TS_FILE...
writes `window.nevCaptionTable = {"en": {"ゲーム": "Game", ...}, "ja": {...}}`, keyed as the
files are named (nev_pt_BR.ts: "pt_BR"). What lrelease leaves out is left out here too: empty
and obsolete translations; a text translated as itself is left out, its language still listed."""
import json
import os
import sys
import xml.etree.ElementTree as ElementTree


def captions(ts_path):
    table = {}
    for message in ElementTree.parse(ts_path).getroot().iter('message'):
        source = message.findtext('source') or ''
        translation = message.find('translation')
        if translation is None or translation.get('type') in ('obsolete', 'vanished'):
            continue
        text = translation.text or ''
        if text and text != source:
            table[source] = text
    return table


def main(out_path, ts_paths):
    tables = {}
    for ts_path in ts_paths:
        name = os.path.splitext(os.path.basename(ts_path))[0]
        if not name.startswith('nev_'):
            sys.exit(f'caption_table: {ts_path}: not one of our caption files (nev_CODE.ts)')
        tables[name[len('nev_'):]] = captions(ts_path)
    text = ('// Made by tools/web/caption_table.py from our caption files; not edited by hand.\n'
            'window.nevCaptionTable = ' + json.dumps(tables, ensure_ascii=False, sort_keys=True) + ';\n')
    temporary = out_path + '.part'
    with open(temporary, 'w', encoding='utf-8') as out:
        out.write(text)
    os.replace(temporary, out_path)


if __name__ == '__main__':
    if len(sys.argv) < 3:
        sys.exit('usage: caption_table.py OUT.js TS_FILE...')
    main(sys.argv[1], sys.argv[2:])
