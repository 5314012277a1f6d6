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

    def __init__(self, width, height, palette, fill=0):
        self.width, self.height = width, height
        self.palette = palette
        self.pixels = bytearray([fill]) * (width * height)

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

    def line(self, x0, y0, x1, y1, index, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x, y = round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps)
            self.rect(x - width // 2, y - width // 2, x - width // 2 + width, y - width // 2 + width,
                      index)

    def crop(self, left, top, width, height):
        part = Canvas(width, height, self.palette)
        for y in range(height):
            start = (top + y) * self.width + left
            part.pixels[y * width:(y + 1) * width] = self.pixels[start:start + width]
        return part

    def bmp(self):
        """An 8-bit bottom-up BMP with its palette, run-length encoded (each row as runs of one
        colour, then an end of line; an end of bitmap after the last row)."""
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in self.palette)
        palette += bytes(4 * (256 - len(self.palette)))
        data = bytearray()
        for y in range(self.height - 1, -1, -1):
            row = self.pixels[y * self.width:(y + 1) * self.width]
            x = 0
            while x < self.width:
                run = 1
                while x + run < self.width and run < 255 and row[x + run] == row[x]:
                    run += 1
                data += bytes((run, row[x]))
                x += run
            data += b"\x00\x00"
        data[-1] = 1
        offset = 14 + 40 + len(palette)
        header = b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 8, 1, len(data),
                           2835, 2835, 256, 0)
        return header + info + palette + bytes(data)


def ramp(start, end, count):
    return [tuple(round(a + (b - a) * i / max(count - 1, 1)) for a, b in zip(start, end))
            for i in range(count)]


# The night overlay ANDs every channel with NOT its level. A channel that is 0, or that has the
# level's bit set, loses exactly the level; any other keeps its brightness while the others lose
# theirs, and the colour turns. So every channel of every colour takes the nearest value of the
# first kind, and the overlay darkens the whole picture alike.
OVERLAY_LEVEL = 32
NIGHT_SAFE = [0] + [v for v in range(256) if v & OVERLAY_LEVEL]


def night_safe(colour):
    return tuple(min(NIGHT_SAFE, key=lambda v: abs(v - c)) for c in colour)


# Shared palette: 0 black (transparent for @C), 1-64 sky, 65-96 stone (dark, middle and light
# greys), 97-128 lamp light, 129-144 rain, 145-160 wood, 161-176 water, 177-192 panel, 193-208
# field, 209-216 moon, 217 white (the moon's mask). The smooth gradients (sky, greys, panel,
# field) keep each channel within one run of night-safe values, so that no step of theirs jumps.
PALETTE = [night_safe(c) for c in
           [(0, 0, 0)] + ramp((32, 34, 50), (60, 54, 63), 64)
           + ramp((36, 38, 46), (63, 63, 63), 12) + ramp((100, 100, 108), (127, 127, 127), 10)
           + ramp((164, 164, 172), (191, 191, 191), 10)
           + ramp((100, 62, 34), (255, 236, 170), 32) + ramp((96, 110, 140), (190, 200, 236), 16)
           + ramp((44, 34, 32), (130, 96, 62), 16) + ramp((0, 32, 48), (34, 60, 120), 16)
           + ramp((0, 0, 34), (0, 0, 52), 16) + ramp((0, 32, 34), (0, 48, 44), 16)
           + ramp((190, 180, 130), (255, 250, 226), 8) + [(255, 255, 255)]]
SKY, STONE, LAMP, RAIN, WOOD, WATER, PANEL, FIELD, MOON, WHITE = (
    1, 65, 97, 129, 145, 161, 177, 193, 209, 217)

# The text window of nev.ini lies on this band: rows from y 338, 27 apart, five to a page.
PANEL_TOP, PANEL_BOTTOM, PANEL_LEFT, PANEL_RIGHT = 322, 468, 24, 616


def text_panel(canvas):
    """A dark band for the text, so typed words read well over any picture."""
    for y in range(PANEL_TOP, PANEL_BOTTOM):
        shade = PANEL + min(15, (y - PANEL_TOP) // 10)
        canvas.rect(PANEL_LEFT, y, PANEL_RIGHT, y + 1, shade)
    canvas.rect(PANEL_LEFT, PANEL_TOP, PANEL_RIGHT, PANEL_TOP + 1, STONE + 20)


def night_sky(canvas, bottom):
    for y in range(bottom):  # lighter towards the horizon
        canvas.rect(0, y, WIDTH, y + 1, SKY + min(63, y * 64 // 300))


def rain(canvas, seed, count, area=(0, 0, WIDTH, HEIGHT)):
    random = Random(seed)
    left, top, right, bottom = area
    for _ in range(count):
        x, y = left + random.next(right - left), top + random.next(bottom - top)
        length = 5 + random.next(9)
        canvas.line(x, y, x - 2, min(y + length, bottom - 1), RAIN + random.next(16))


def clock_hands(canvas, cx, cy, radius, hours, minutes, width=1):
    """Hands from the centre: the hour hand half as long as the minute hand."""
    for angle, length in (((hours % 12 + minutes / 60) * 30, radius * 0.55),
                          (minutes * 6, radius * 0.85)):
        a = math.radians(angle)
        canvas.line(cx, cy, round(cx + length * math.sin(a)), round(cy - length * math.cos(a)), 0,
                    width)


def station():
    canvas = Canvas(WIDTH, HEIGHT, PALETTE)
    night_sky(canvas, 300)
    for x in range(WIDTH):  # far hills
        top = 230 + int(18 * math.sin(x / 70.0) + 10 * math.sin(x / 23.0 + 1))
        canvas.rect(x, top, x + 1, 300, FIELD + 1)
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
    canvas.disc(155, 170, 20, STONE + 28)  # the station clock, stopped at 11:59
    canvas.disc(155, 170, 17, STONE + 31)
    clock_hands(canvas, 155, 170, 17, 11, 59)
    rain(canvas, 7, 420)
    text_panel(canvas)
    return canvas


def waiting_room():
    canvas = Canvas(WIDTH, HEIGHT, PALETTE)
    canvas.rect(0, 0, WIDTH, HEIGHT, WOOD + 2)
    for x in range(0, WIDTH, 40):  # wall boards
        canvas.rect(x, 0, x + 2, 300, WOOD)
    canvas.rect(0, 300, WIDTH, HEIGHT, WOOD + 5)
    canvas.rect(360, 60, 560, 200, SKY + 10)  # a window onto the rain
    rain(canvas, 11, 60, (362, 62, 558, 198))
    canvas.rect(455, 60, 465, 200, WOOD + 8)
    canvas.rect(360, 125, 560, 133, WOOD + 8)
    canvas.rect(60, 220, 320, 240, WOOD + 10)  # a bench
    for x in (80, 290):
        canvas.rect(x, 240, x + 10, 300, WOOD + 9)
    canvas.rect(326, 210, 382, 300, STONE + 4)  # the cold stove and its pipe
    canvas.rect(340, 0, 352, 210, STONE + 2)
    canvas.rect(334, 250, 374, 270, STONE)
    canvas.disc(200, 80, 24, LAMP + 24)  # a hanging lamp
    canvas.rect(198, 0, 202, 56, STONE + 8)
    text_panel(canvas)
    return canvas


def crescent(canvas, cx, cy, radius, index, squash=1.0, ripple=0):
    """A crescent moon: a disc with a smaller one cut away to its upper right. Squashed and
    rippled (rows shifted, every third left out) it is the moon's reflection in water."""
    for dy in range(-radius, radius + 1):
        if ripple and dy % 3 == 0:
            continue
        shift = ripple * ((dy * 7) % 3 - 1)
        for dx in range(-radius, radius + 1):
            inside = dx * dx + dy * dy <= radius * radius
            cut = (dx - radius * 0.45) ** 2 + (dy + radius * 0.35) ** 2 <= (radius * 0.85) ** 2
            if inside and not cut:
                canvas.put(cx + dx + shift, cy + round(dy * squash), index)


def tracks():
    """The rails run off to the horizon; the moon looks out of the clouds and lies in a puddle."""
    canvas = Canvas(WIDTH, HEIGHT, PALETTE)
    horizon, vanish_x = 170, 300
    night_sky(canvas, horizon)
    for y in range(horizon, HEIGHT):  # the dark field, nearer rows lighter
        canvas.rect(0, y, WIDTH, y + 1, FIELD + min(15, (y - horizon) // 12))
    for i in range(1, 24):  # sleepers, closer together towards the horizon
        y = horizon + round((HEIGHT - horizon) * (i / 23) ** 2)
        half = (y - horizon) * 300 // (HEIGHT - horizon)
        canvas.rect(vanish_x - half, y, vanish_x + half, y + 1 + i // 6, WOOD + 3)
    for side in (-1, 1):  # the two rails
        canvas.line(vanish_x, horizon, vanish_x + side * 240, HEIGHT, STONE + 26, 2)
    for y in range(280, 314):  # a puddle at the reader's feet
        half = int(80 * math.sqrt(max(0.0, 1 - ((y - 297) / 17) ** 2)))
        canvas.rect(500 - half, y, 500 + half, y + 1, WATER + 5)
    crescent(canvas, 490, 60, 18, MOON + 6)
    crescent(canvas, 490, 297, 12, MOON + 3, squash=0.8, ripple=2)
    rain(canvas, 5, 200, (0, 0, WIDTH, PANEL_TOP))
    text_panel(canvas)
    return canvas


CLOCK_CENTRE, CLOCK_RADIUS = (320, 160), 120


def clock(hours, minutes):
    """The station clock seen close, under the roof in the rain."""
    canvas = Canvas(WIDTH, HEIGHT, PALETTE)
    night_sky(canvas, HEIGHT)
    rain(canvas, 13, 300)
    canvas.rect(0, 0, WIDTH, 24, WOOD + 6)  # the roof beam and the clock's bracket
    canvas.rect(312, 24, 328, 40, WOOD + 4)
    cx, cy = CLOCK_CENTRE
    canvas.disc(cx, cy, CLOCK_RADIUS, STONE + 24)
    canvas.disc(cx, cy, CLOCK_RADIUS - 8, STONE + 31)
    for hour in range(12):
        a = math.radians(hour * 30)
        inner = CLOCK_RADIUS - (30 if hour % 3 == 0 else 22)
        canvas.line(round(cx + inner * math.sin(a)), round(cy - inner * math.cos(a)),
                    round(cx + (CLOCK_RADIUS - 14) * math.sin(a)),
                    round(cy - (CLOCK_RADIUS - 14) * math.cos(a)), STONE + 6, 3)
    clock_hands(canvas, cx, cy, CLOCK_RADIUS - 8, hours, minutes, 5)
    canvas.disc(cx, cy, 7, STONE + 6)
    text_panel(canvas)
    return canvas


# Where the signal hut's lamp stands on the tracks' picture, left of the rails.
HUT_LAMP_X = 60

# The face alone, for drawing the moved hands over the clock in place.
CLOCK_FACE = (CLOCK_CENTRE[0] - CLOCK_RADIUS, CLOCK_CENTRE[1] - CLOCK_RADIUS, 2 * CLOCK_RADIUS + 1,
              2 * CLOCK_RADIUS + 1)


def lamp_post():
    """Drawn with black as the transparent colour; stands on the ground at y 318."""
    canvas = Canvas(96, 248, PALETTE)
    canvas.rect(44, 40, 52, 248, STONE + 6)
    canvas.rect(30, 238, 66, 248, STONE + 8)
    for radius in range(30, 0, -1):
        canvas.disc(48, 30, radius, LAMP + min(31, 31 - radius))
    canvas.rect(36, 20, 60, 40, LAMP + 31)
    return canvas


def blank():
    """All black: drawn with black as transparent it changes no picture, yet rebuilds the page
    from the pictures alone, which clears the text."""
    return Canvas(8, 8, PALETTE)


def moon():
    """A crescent on black. ORed into the hole its mask has cut, it shows its own colours
    whatever lay there; the black around it ORs to nothing."""
    canvas = Canvas(80, 80, PALETTE)
    for radius in range(34, 0, -1):
        canvas.disc(40, 40, radius, MOON + min(7, (34 - radius) // 3))
    canvas.disc(54, 30, 30, 0)
    return canvas


def moon_mask():
    """White where the moon is not, black where it is: ANDed over the sky, it cuts the moon's
    shape out of it and leaves the rest as it was."""
    shape = moon()
    canvas = Canvas(shape.width, shape.height, PALETTE, WHITE)
    for i, index in enumerate(shape.pixels):
        if index:
            canvas.pixels[i] = 0
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
; 文章の窓: 画の下の帯に、一ページ五行まで
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
; 暗くする重ねの明るさ: 各色から 32 を引く (画の色はどれもそうなるように選んである)
32
; 一行ごとにクリックを待つ
1
; 暗号化した台本
0
; 暗くする重ね (@R で変える)
0
; 作者のメニュー
0
"""

START = """\
@; 雨上がりの駅 ―― nev のデモ物語。画も音もこの台本も tools/make_demo.py が作る。
@Ytheme.mid,1;
@G0,0,station.bmp,0xCC0020;
@I
雨上がりの駅に、最後の列車が着いた。
ホームには誰もいない。古い時計が時を刻んでいる。
@; 画を描くと文字は消える。@X でこのページの文を書き直してから見せる。
@Zbell.wav;
@C460,70,lamp.bmp,0xCC0020;
@X
@I
改札の脇で、ランプがひとつ灯った。
@; 月は二度で描く: AND (0x8800C6) で形の穴を空け、そこへ OR (0xEE0086) で月を入れる。
@G370,24,moon_mask.bmp,0x8800C6;
@G370,24,moon.bmp,0xEE0086;
@X
@I
雲の切れ間から、細い月がのぞいている。
@; 真っ黒な画は (黒が透けて) 何も変えずに、文字だけを消す。
@C0,0,blank.bmp,0xCC0020;
@P
@I
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
@; 終わりの場面: 大きな文字で、一行ごとには待たず (@M で待つ)、暗くする重ねをかける。
@R73,362,20,0,24,26,36,60,0,1
@G0,0,station.bmp,0xCC0020;
@C460,70,lamp.bmp,0xCC0020;
@G370,24,moon_mask.bmp,0x8800C6;
@G370,24,moon.bmp,0xEE0086;
@P
@I
夜が更けて、駅の灯りも暗くなった。
@M
@Zsteps.wav;
遠くから、だれかの足音が近づいてくる。
@M
@Q
@T800
@R140,381,12,0,28,30,40,60,0,1
@C0,0,blank.bmp,0xCC0020;
@P
@I
――雨上がりの駅　おわり
@M
@E
"""

ROUTE = """\
@; 選んだ先の場面。どれも start.txt の back に戻る (線路の先は field.txt を通って)。
@Lwaiting;
@G0,0,waiting.bmp,0xCC0020;
@P
@I
待合室には、古い木のベンチがひとつ。
窓の外では、雨がまだ少し降っている。
ストーブの火は、とうに消えていた。
@Jstart.txt,back;
@Ltracks;
@G0,0,tracks.bmp,0xCC0020;
@P
@I
線路は、暗い野原の向こうへまっすぐ続いている。
足もとの水たまりに、月が揺れた。
@Jfield.txt,field;
@Lclock;
@G0,0,clock.bmp,0xCC0020;
@P
@I
時計の針は、十一時五十九分で止まっている。
@; 針の動いた文字盤だけを、同じ場所に描き直す。
@G%d,%d,clock_noon.bmp,0xCC0020;
@X
@I
@Zbell.wav;
……いや、今ちょうど、動いた。
@Jstart.txt,back;
""" % CLOCK_FACE[:2]

FIELD_TEXT = """\
@; 線路の先で、もう二度選ぶ。どの道も start.txt の back に戻る。
@Lfield;
@C0,0,blank.bmp,0xCC0020;
@P
@I
線路の脇に、小さな信号小屋がある。
@W2
信号小屋の窓をのぞく
線路づたいに、もっと先へ歩く
@Jfield.txt,hut;
@Jfield.txt,walk;
@Lhut;
@; 小屋の前に灯りがともる: ランプを、黒を透かして置く。
@C%d,70,lamp.bmp,0xCC0020;
@P
@I
小屋の壁に、色あせた時刻表が貼ってある。
最終列車の欄に、鉛筆で丸がついていた。
@W2
丸のついた時刻を読む
小屋をあとにする
@Jfield.txt,note;
@Jstart.txt,back;
@Lnote;
@C0,0,blank.bmp,0xCC0020;
@P
@I
丸の中には、「零時」とだけ書いてある。
@Zbell.wav;
……どこかで、発車のベルが鳴った。
@Jstart.txt,back;
@Lwalk;
@C0,0,blank.bmp,0xCC0020;
@P
@I
@Zsteps.wav;
歩いても歩いても、線路は終わらない。
振り返ると、駅の灯りが小さく見えた。
@Jstart.txt,back;
""" % HUT_LAMP_X


def story_text(text):
    return text.replace("\n", "\r\n").encode("cp932")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "demo")
    os.makedirs(out, exist_ok=True)
    files = {
        "station.bmp": station().bmp(),
        "waiting.bmp": waiting_room().bmp(),
        "tracks.bmp": tracks().bmp(),
        "clock.bmp": clock(11, 59).bmp(),
        "clock_noon.bmp": clock(12, 0).crop(*CLOCK_FACE).bmp(),
        "lamp.bmp": lamp_post().bmp(),
        "moon.bmp": moon().bmp(),
        "moon_mask.bmp": moon_mask().bmp(),
        "blank.bmp": blank().bmp(),
        "theme.mid": theme(),
        "bell.wav": wav(bell()),
        "steps.wav": wav(footsteps()),
        "nev.ini": story_text(NEV_INI),
        "start.txt": story_text(START),
        "route.txt": story_text(ROUTE),
        "field.txt": story_text(FIELD_TEXT),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    print(f"demo written to {os.path.normpath(out)}: {sum(map(len, files.values()))} bytes")


if __name__ == "__main__":
    main()
