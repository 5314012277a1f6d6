#!/usr/bin/env python3
"""Makes the bundled demo story from code alone: its pictures (BMP), music (MIDI), sounds (WAV),
nev.ini and scripts (code page 932, CR LF). The output is the same on every run.

    python3 tools/make_demo.py [OUT_DIR]     (default: demo/ beside this folder)
"""

import math
import os
import struct
import sys

WIDTH, HEIGHT = 640, 480


class Random:
    """A small linear congruential generator, so every run draws the same rain."""

    def __init__(self, seed):
        self.state = seed

    def next(self, limit):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.state >> 8) % limit


# ---------------------------------------------------------------- pictures

class Canvas:
    """An 8-bit indexed picture with a palette of up to 256 colours."""

    def __init__(self, width, height, palette):
        self.width, self.height = width, height
        self.palette = palette
        self.pixels = bytearray(width * height)

    def put(self, x, y, index):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = index

    def get(self, x, y):
        return self.pixels[y * self.width + x]

    def rect(self, left, top, right, bottom, index):
        for y in range(max(top, 0), min(bottom, self.height)):
            row = y * self.width
            for x in range(max(left, 0), min(right, self.width)):
                self.pixels[row + x] = index

    def disc(self, cx, cy, radius, index):
        for y in range(cy - radius, cy + radius + 1):
            for x in range(cx - radius, cx + radius + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                    self.put(x, y, index)

    def line(self, x0, y0, x1, y1, index):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), index)

    def bmp(self):
        """An 8-bit bottom-up BMP with its palette."""
        row_bytes = (self.width + 3) // 4 * 4
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in self.palette)
        palette += bytes(4 * (256 - len(self.palette)))
        data = bytearray()
        for y in range(self.height - 1, -1, -1):
            start = y * self.width
            data += self.pixels[start:start + self.width] + bytes(row_bytes - self.width)
        offset = 14 + 40 + len(palette)
        header = b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 8, 0, len(data),
                           2835, 2835, 256, 0)
        return header + info + palette + bytes(data)


def ramp(start, end, count):
    return [tuple(round(a + (b - a) * i / max(count - 1, 1)) for a, b in zip(start, end))
            for i in range(count)]


# Shared palette: 0 black, 1-64 sky, 65-96 stone, 97-128 lamp light, 129-144 rain,
# 145-160 wood, 161-176 water, 177-192 panel.
PALETTE = ([(0, 0, 0)] + ramp((10, 14, 40), (70, 62, 110), 64) + ramp((28, 30, 38), (150, 150, 160), 32)
           + ramp((90, 60, 20), (255, 236, 170), 32) + ramp((60, 80, 120), (170, 190, 230), 16)
           + ramp((40, 24, 16), (130, 90, 60), 16) + ramp((12, 20, 40), (60, 90, 140), 16)
           + ramp((6, 8, 18), (24, 28, 48), 16))
SKY, STONE, LAMP, RAIN, WOOD, WATER, PANEL = 1, 65, 97, 129, 145, 161, 177


def text_panel(canvas):
    """A dark band for the text, so typed words read well over any picture."""
    for y in range(322, 468):
        shade = PANEL + min(15, (y - 322) // 10)
        for x in range(24, 616):
            canvas.put(x, y, shade)
    for x in range(24, 616):
        canvas.put(x, 322, STONE + 20)


def station():
    canvas = Canvas(WIDTH, HEIGHT, PALETTE)
    for y in range(HEIGHT):  # night sky, lighter towards the horizon
        canvas.rect(0, y, WIDTH, y + 1, SKY + min(63, y * 64 // 300))
    for x in range(WIDTH):  # far hills
        top = 230 + int(18 * math.sin(x / 70.0) + 10 * math.sin(x / 23.0 + 1))
        canvas.rect(x, top, x + 1, 300, SKY + 4)
    canvas.rect(0, 300, WIDTH, 480, WATER + 2)  # the wet ground
    for rail_y in (352, 372):
        canvas.rect(0, rail_y, WIDTH, rail_y + 3, STONE + 24)
    for x in range(0, WIDTH, 24):
        canvas.rect(x, 348, x + 12, 380, WOOD + 3)
    canvas.rect(0, 290, 300, 330, STONE + 10)  # the platform
    canvas.rect(0, 286, 300, 290, STONE + 26)
    canvas.rect(0, 120, 320, 132, WOOD + 6)  # roof and pillars
    for x in (30, 150, 270):
        canvas.rect(x, 132, x + 10, 290, WOOD + 4)
    canvas.disc(155, 170, 20, STONE + 28)  # the station clock
    canvas.disc(155, 170, 17, STONE + 31)
    canvas.line(155, 170, 155, 157, 0)
    canvas.line(155, 170, 165, 175, 0)
    for i in range(0, 300, 4):  # the lamp's light on the wet ground
        canvas.put(420 + (i % 40) - 20, 310 + i // 12, LAMP + 6)
    random = Random(7)
    for _ in range(420):  # rain
        x, y = random.next(WIDTH), random.next(HEIGHT)
        length = 6 + random.next(10)
        canvas.line(x, y, x - 2, y + length, RAIN + random.next(16))
    text_panel(canvas)
    return canvas


def waiting_room():
    canvas = Canvas(WIDTH, HEIGHT, PALETTE)
    canvas.rect(0, 0, WIDTH, HEIGHT, WOOD + 2)
    for x in range(0, WIDTH, 40):  # wall boards
        canvas.rect(x, 0, x + 2, 300, WOOD)
    canvas.rect(0, 300, WIDTH, HEIGHT, WOOD + 5)
    canvas.rect(360, 60, 560, 200, SKY + 10)  # a window onto the rain
    canvas.rect(455, 60, 465, 200, WOOD + 8)
    canvas.rect(360, 125, 560, 133, WOOD + 8)
    random = Random(11)
    for _ in range(60):
        x, y = 362 + random.next(196), 62 + random.next(130)
        canvas.line(x, y, x - 1, y + 6, RAIN + 8 + random.next(8))
    canvas.rect(60, 220, 320, 240, WOOD + 10)  # a bench
    for x in (80, 290):
        canvas.rect(x, 240, x + 10, 300, WOOD + 9)
    canvas.disc(200, 80, 24, LAMP + 24)  # a hanging lamp
    canvas.rect(198, 0, 202, 56, STONE + 8)
    text_panel(canvas)
    return canvas


def lamp_post():
    """Drawn with black as the transparent colour."""
    canvas = Canvas(96, 250, PALETTE)
    canvas.rect(44, 40, 52, 250, STONE + 6)
    canvas.rect(30, 240, 66, 250, STONE + 8)
    for radius in range(30, 0, -1):
        canvas.disc(48, 30, radius, LAMP + min(31, 31 - radius))
    canvas.rect(36, 20, 60, 40, LAMP + 31)
    return canvas


def blank():
    """All black: drawn with black as transparent it changes no picture, yet rebuilds the page
    from the pictures alone, which clears the text."""
    return Canvas(8, 8, PALETTE)


def moon():
    """Combined with the sky by OR-ing, so the sky brightens where the moon is."""
    canvas = Canvas(90, 90, PALETTE)
    for radius in range(40, 0, -1):
        canvas.disc(45, 45, radius, LAMP + 10 + min(21, (40 - radius)))
    canvas.disc(58, 36, 30, 0)  # a crescent: the rest stays black, which ORs to nothing
    return canvas


# ---------------------------------------------------------------- music and sounds

def midi_variable(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def theme():
    """A quiet piece of eight bars for piano and strings, made to loop."""
    ticks = 480
    melody = [(72, 2), (74, 1), (76, 1), (79, 2), (76, 2), (74, 2), (72, 1), (71, 1), (72, 4),
              (69, 2), (72, 1), (74, 1), (76, 3), (74, 1), (72, 2), (71, 2), (72, 4)]
    chords = [(48, 55, 60), (45, 52, 57), (41, 48, 53), (43, 50, 55),
              (48, 55, 60), (45, 52, 57), (41, 48, 53), (43, 50, 55)]
    events = []  # (time, order, bytes)
    time = 0
    for note, beats in melody:
        events.append((time, 1, bytes((0x90, note, 76))))
        events.append((time + beats * ticks - 20, 0, bytes((0x80, note, 0))))
        time += beats * ticks
    for bar, chord in enumerate(chords):
        for note in chord:
            events.append((bar * 4 * ticks, 1, bytes((0x91, note, 52))))
            events.append(((bar + 1) * 4 * ticks - 10, 0, bytes((0x81, note, 0))))
    events.sort()
    track = bytearray()
    track += b"\x00\xff\x51\x03" + (833333).to_bytes(3, "big")  # 72 beats a minute
    track += b"\x00\xc0\x00" + b"\x00\xc1\x30"  # piano, strings
    last = 0
    for when, _, message in events:
        track += midi_variable(when - last) + message
        last = when
    track += b"\x00\xff\x2f\x00"
    return (b"MThd" + struct.pack(">IHHH", 6, 0, 1, ticks) + b"MTrk" + struct.pack(">I", len(track))
            + bytes(track))


def wav(samples, rate=22050):
    data = b"".join(struct.pack("<h", max(-32767, min(32767, int(s * 32767)))) for s in samples)
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt "
            + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data"
            + struct.pack("<I", len(data)) + data)


def bell(rate=22050):
    partials = [(880, 1.0), (1760, 0.5), (2640, 0.25), (1318, 0.3)]
    length = int(rate * 1.4)
    return [0.5 * sum(a * math.sin(2 * math.pi * f * i / rate) for f, a in partials)
            * math.exp(-3.0 * i / rate) / 2.05 for i in range(length)]


def footsteps(rate=22050):
    random = Random(3)
    out = []
    for step in range(3):
        for i in range(int(rate * 0.28)):
            envelope = math.exp(-40.0 * i / rate)
            out.append(envelope * ((random.next(2000) - 1000) / 1000.0) * 0.6
                       * (0.8 if step % 2 else 1.0))
    return out


# ---------------------------------------------------------------- the story

NEV_INI = """\
; nev のデモ物語「雨上がりの駅」の設定。値は行の順番で決まる。";" で始まる行は注釈。
雨上がりの駅
雨上がりの駅　―― nev のデモ物語
画と音と文はすべてコードから作られています。
; 画面の大きさ
640 幅
480 高さ
; 文章の窓
44 左端
338 上端
26 一行の文字数
0 未使用
20 文字の大きさ
21 文字の間隔
27 行の間隔
45 一文字ごとの待ち (ミリ秒)
; 文字の色 (赤、緑、青)
250
246
236
; 影の色
20
20
40
; 選んでいる項目の色
255
214
96
; ほかの項目の色
170
180
210
; 影のずれ (右、下)
2
2
; 暗くする重ねの明るさ
96
; 一行ごとにクリックを待つ
1
; 暗号化した台本
0
; 暗くする重ね (@R で変える)
0
; 作者のメニュー
1
"""

START = """\
@; 雨上がりの駅 ―― nev のデモ物語
@Ytheme.mid,1;
@G0,0,station.bmp,0xCC0020;
@I
雨上がりの駅に、最後の列車が着いた。
ホームには誰もいない。古い時計だけが、静かに時を刻んでいる。
@Zbell.wav;
@C460,80,lamp.bmp,0xCC0020;
@I
改札の脇で、ランプがひとつ灯った。
@G470,20,moon.bmp,0x00EE0086;
@I
雲の切れ間から、細い月がのぞいている。
@C0,0,blank.bmp,0xCC0020;
@I
@P
@S200
……さて。
このあと、どこへ行こうか。
@W3
駅の待合室へ入る
線路の向こうを見に行く
時計をもう一度見上げる
@Jroute.txt,waiting;
@Jroute.txt,tracks;
@Jroute.txt,clock;
@Lback;
@R44,40,24,0,24,25,32,60,0,1
@G0,0,station.bmp,0xCC0020;
@I
@P
夜が更けて、駅の灯りが少しずつ暗くなっていく。
@M
@C460,80,lamp.bmp,0xCC0020;
@X
@I
@Zsteps.wav;
遠くから、だれかの足音が近づいてくる。
@M
@Q
@T800
@P
――雨上がりの駅　おわり
@M
@E
"""

ROUTE = """\
@; 選んだ先の場面。どれも start.txt の back に戻る。
@Lwaiting;
@G0,0,waiting.bmp,0xCC0020;
@I
待合室には古い木のベンチ。窓の外で、雨がまだ少し降っている。
ストーブの火は、とうに消えていた。
@Jstart.txt,back;
@Ltracks;
線路は、暗い野原の向こうへまっすぐ続いている。
足もとの水たまりに、月が揺れた。
@Jstart.txt,back;
@Lclock;
時計の針は、十一時五十九分で止まっている。
……いや、今ちょうど、動いた。
@Zbell.wav;
@Jstart.txt,back;
"""


def story_text(text):
    return text.replace("\n", "\r\n").encode("cp932")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "demo")
    os.makedirs(out, exist_ok=True)
    files = {
        "station.bmp": station().bmp(),
        "waiting.bmp": waiting_room().bmp(),
        "lamp.bmp": lamp_post().bmp(),
        "moon.bmp": moon().bmp(),
        "blank.bmp": blank().bmp(),
        "theme.mid": theme(),
        "bell.wav": wav(bell()),
        "steps.wav": wav(footsteps()),
        "nev.ini": story_text(NEV_INI),
        "start.txt": story_text(START),
        "route.txt": story_text(ROUTE),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    print(f"demo written to {os.path.normpath(out)}: {sum(map(len, files.values()))} bytes")


if __name__ == "__main__":
    main()
