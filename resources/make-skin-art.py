#!/usr/bin/env python3
"""Draws the 79 built-in skin images into skin/ as RGBA PNG files.

Every image is ours: neutral greys with the orange of the updater's caption
for hot states. Strips hold their state frames side by side (normal, hot,
pressed, disabled unless noted). The order of IMAGES is the order of the
store. Run it from this folder to remake them.
"""
import math
import os

from artkit import (Canvas, arc, circle, hexc, minus, mix, png, polygon, rect, rrect, stroke, union, vgrad)

ORANGE = hexc("#FF8A00")
WHITE = (255, 255, 255, 255)
# face top, face bottom, border, glyph - per state
STATES = {
    "normal": (hexc("#FDFDFD"), hexc("#E4E4E4"), hexc("#A3A3A3"), hexc("#404040")),
    "hot": (hexc("#FFF5E8"), hexc("#FFD7A3"), hexc("#E0871E"), hexc("#2E2E2E")),
    "pressed": (hexc("#F4BE78"), hexc("#FFE3BD"), hexc("#C26C0E"), hexc("#1E1E1E")),
    "disabled": (hexc("#F5F5F5"), hexc("#EDEDED"), hexc("#CFCFCF"), hexc("#B4B4B4")),
}
FOUR = ("normal", "hot", "pressed", "disabled")
THREE = ("normal", "hot", "pressed")


def strip(w, h, states, draw, vertical=False):
    """A canvas of len(states) frames; draw(canvas, ox, oy, fw, fh, state)."""
    c = Canvas(w, h)
    n = len(states)
    fw, fh = (w, h // n) if vertical else (w // n, h)
    for i, s in enumerate(states):
        draw(c, 0 if vertical else i * fw, i * fh if vertical else 0, fw, fh, s)
    return c


def face(c, x0, y0, x1, y1, r, state):
    """A bordered, shaded rounded box."""
    top, bottom, border, _ = STATES[state]
    c.paint(rrect(x0, y0, x1, y1, r), border)
    c.paint(rrect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, max(r - 1, 0)), vgrad(top, bottom, y0, y1))


def tri(cx, cy, size, direction):
    """A solid arrow head pointing 'up', 'down', 'left' or 'right'."""
    s = size / 2
    pts = {"down": [(cx - s, cy - s / 2), (cx + s, cy - s / 2), (cx, cy + s / 2)],
           "up": [(cx - s, cy + s / 2), (cx + s, cy + s / 2), (cx, cy - s / 2)],
           "right": [(cx - s / 2, cy - s), (cx - s / 2, cy + s), (cx + s / 2, cy)],
           "left": [(cx + s / 2, cy - s), (cx + s / 2, cy + s), (cx - s / 2, cy)]}[direction]
    return polygon(pts)


def cross(cx, cy, r, width):
    return union(stroke([(cx - r, cy - r), (cx + r, cy + r)], width), stroke([(cx - r, cy + r), (cx + r, cy - r)], width))


# ---- Controls


def check_box(w, h):
    def draw(c, ox, oy, fw, fh, s):
        face(c, ox + 1.5, oy + 1.5, ox + 15.5, oy + 15.5, 2.5, s[0])
        if s[1]:
            c.paint(stroke([(ox + 4.6, oy + 8.6), (ox + 7.2, oy + 11.3), (ox + 12.4, oy + 5.4)], 2.0), hexc("#2B2B2B"))
    return strip(w, h, [("normal", 0), ("hot", 0), ("normal", 1), ("hot", 1)], draw)


def radio(w, h):
    def draw(c, ox, oy, fw, fh, s):
        top, bottom, border, _ = STATES[s[0]]
        c.paint(circle(ox + 8.5, oy + 8.5, 7), border)
        c.paint(circle(ox + 8.5, oy + 8.5, 6), vgrad(top, bottom, oy + 2, oy + 15))
        if s[1]:
            c.paint(circle(ox + 8.5, oy + 8.5, 3), hexc("#2B2B2B"))
    return strip(w, h, [("normal", 0), ("hot", 0), ("normal", 1), ("hot", 1)], draw)


def button(w, h):
    return strip(w, h, FOUR, lambda c, ox, oy, fw, fh, s: face(c, ox + 0.5, oy + 0.5, ox + fw - 0.5, oy + fh - 0.5, 3, s))


def drop_button(w, h, states, glyph_only_normal=True):
    def draw(c, ox, oy, fw, fh, s):
        if s != "normal" or not glyph_only_normal:
            face(c, ox + 0.5, oy + 0.5, ox + fw - 0.5, oy + fh - 0.5, 2.5, s)
        c.paint(tri(ox + fw / 2, oy + fh / 2, 7, "down"), STATES[s][3])
    return strip(w, h, states, draw)


def flat_button(w, h):
    # Exact pixels: the caption-bar menu lays these over the orange band.
    c = Canvas(w, h)
    for i, (line, hi, lo) in enumerate([(None, 0, 0), (78, 206, 176), (90, 128, 96)]):
        if line is None:
            continue
        ox = i * 22
        for y in range(22):
            for x in range(22):
                if x in (0, 21) or y in (0, 21):
                    c.put(ox + x, y, (0, 0, 0, line))
                else:
                    c.put(ox + x, y, (255, 255, 255, round(hi + (lo - hi) * (y - 1) / 19)))
    return c


# ---- Message icons


def round_icon(top, bottom):
    c = Canvas(40, 40)
    c.paint(circle(20, 20.6, 18.6), (0, 0, 0, 40))
    c.paint(circle(20, 20, 18), mix(bottom, (0, 0, 0), 0.25))
    c.paint(circle(20, 20, 17), vgrad(top, bottom, 3, 37))
    return c


def msg_icon(kind):
    if kind == "Warn":
        c = Canvas(40, 40)
        c.paint(polygon([(20, 2), (39, 37), (1, 37)]), hexc("#C98200"))
        c.paint(polygon([(20, 4.5), (37, 35.8), (3, 35.8)]), vgrad(hexc("#FFD75A"), hexc("#F5A300"), 4, 36))
        c.paint(stroke([(20, 14), (20, 25)], 4), hexc("#3A2A00"))
        c.paint(circle(20, 30.5, 2.3), hexc("#3A2A00"))
        return c
    colours = {"Error": ("#F4604F", "#C42B1C"), "Info": ("#55AEF5", "#1C6AC2"), "OK": ("#74D044", "#359218"),
               "Question": ("#55AEF5", "#1C6AC2")}[kind]
    c = round_icon(hexc(colours[0]), hexc(colours[1]))
    if kind == "Error":
        c.paint(cross(20, 20, 6.5, 4), WHITE)
    elif kind == "Info":
        c.paint(circle(20, 11.5, 2.6), WHITE)
        c.paint(stroke([(20, 18), (20, 30)], 4), WHITE)
    elif kind == "OK":
        c.paint(stroke([(11.5, 20.5), (17.5, 26.5), (28.5, 13.5)], 4), WHITE)
    else:
        c.paint(union(arc(20, 15, 6, 3.8, 190, 60), stroke([(23, 20.2), (20, 22.8), (20, 25)], 3.8)), WHITE)
        c.paint(circle(20, 30.5, 2.4), WHITE)
    return c


# ---- Caption buttons


def caption_button(w, h, glyph, hot, pressed):
    def draw(c, ox, oy, fw, fh, s):
        if s != "normal":
            c.paint(rrect(ox, oy, ox + fw, oy + fh, 3), hot if s == "hot" else pressed)
        # A faint shadow under the white glyph keeps it readable on light bands.
        c.paint(glyph(ox + fw / 2, oy + fh / 2 + 0.8), (0, 0, 0, 60))
        c.paint(glyph(ox + fw / 2, oy + fh / 2), WHITE)
    return strip(w, h, THREE, draw)


def glyph_max(cx, cy):
    return union(minus(rect(cx - 5, cy - 4, cx + 5, cy + 4), rect(cx - 4, cy - 2, cx + 4, cy + 3)))


def glyph_mini(cx, cy):
    return rect(cx - 5, cy + 2, cx + 5, cy + 4)


def glyph_restore(cx, cy):
    back = minus(rect(cx - 2, cy - 5, cx + 6, cy + 1), rect(cx - 1, cy - 3, cx + 5, cy))
    front = minus(rect(cx - 6, cy - 2, cx + 2, cy + 5), rect(cx - 5, cy, cx + 1, cy + 4))
    return union(minus(back, rect(cx - 6, cy - 2, cx + 2, cy + 5)), front)


def tips_close(w, h):
    def draw(c, ox, oy, fw, fh, s):
        if s != "normal":
            c.paint(circle(ox + 9, oy + 9, 8), hexc("#E04343") if s == "hot" else hexc("#B32C2C"))
        c.paint(cross(ox + 9, oy + 9, 3.5, 1.8), hexc("#7A7A7A") if s == "normal" else WHITE)
    return strip(w, h, THREE, draw)


def close_glyph(w, h, states, r, colour_of):
    def draw(c, ox, oy, fw, fh, s):
        c.paint(cross(ox + fw / 2, oy + fh / 2, r, 1.6), colour_of(s))
    return strip(w, h, states, draw)


# ---- Panels, shadows, menus


def shadow(w, h, edge=8, peak=72):
    """Black with alpha falling off outside an inner box: the soft shadow of the layered border."""
    c = Canvas(w, h)
    x0, y0, x1, y1, r = edge, edge, w - edge, h - edge, 4
    for y in range(h):
        for x in range(w):
            px, py = x + 0.5, y + 0.5
            qx = max(x0 + r - px, px - (x1 - r), 0.0)
            qy = max(y0 + r - py, py - (y1 - r), 0.0)
            d = max(math.hypot(qx, qy) - r, 0.0)
            c.put(x, y, (0, 0, 0, round(peak * math.exp(-(d / 3.4) ** 2))))
    return c


def preview_bkg(w, h):
    c = Canvas(w, h)
    for i in range(4, 0, -1):
        c.paint(rrect(4 - i, 4 - i + 1, w - 4 + i, h - 4 + i + 1, 4 + i), (0, 0, 0, 14))
    c.paint(rrect(4, 4, w - 4, h - 4, 4), hexc("#C4C4C4"))
    c.paint(rrect(5, 5, w - 5, h - 5, 3), vgrad(hexc("#FFFFFF"), hexc("#F3F3F3"), 5, h - 5))
    return c


def border_piece(w, h, colour):
    c = Canvas(w, h)
    c.paint(rrect(0.5, 0.5, w - 0.5, h - 0.5, 3), colour)
    c.paint(rrect(1.5, 1.5, w - 1.5, h - 1.5, 2), WHITE)
    return c


def menu_bk(w, h):
    c = Canvas(w, h)
    for x in range(w):
        for y in range(h):
            edge = x in (0, w - 1) or y in (0, h - 1)
            c.put(x, y, hexc("#ABABAB") if edge else mix(hexc("#FFFFFF"), hexc("#F6F6F6"), y / (h - 1)))
    return c


def menu_hilight(w, h):
    c = Canvas(w, h)
    c.paint(rrect(0.5, 0.5, w - 0.5, h - 0.5, 3), hexc("#F0A040"))
    c.paint(rrect(1.5, 1.5, w - 1.5, h - 1.5, 2), vgrad(hexc("#FFF2DE"), hexc("#FFD9A6"), 1, h - 1))
    return c


MENU_GLYPH = {"normal": hexc("#3A3A3A"), "hot": hexc("#000000"), "disabled": hexc("#B0B0B0")}


def menu_mark(w, h, kind):
    def draw(c, ox, oy, fw, fh, s):
        if kind == "check":
            c.paint(stroke([(ox + 5.5, oy + 10.5), (ox + 8.5, oy + 13.5), (ox + 14.5, oy + 6.5)], 2), MENU_GLYPH[s])
        elif kind == "radio":
            c.paint(circle(ox + 10, oy + 10, 3.5), MENU_GLYPH[s])
        else:
            c.paint(tri(ox + 3.5, oy + 5.5, 7, "right"), MENU_GLYPH[s])
    return strip(w, h, ("normal", "hot", "disabled"), draw)


# ---- Tabs, scroll bars, sliders


def tab(w, h, top, bottom, border=hexc("#ABABAB")):
    c = Canvas(w, h)
    c.paint(rrect(0.5, 0.5, w - 0.5, h + 6, 3), border)
    c.paint(rrect(1.5, 1.5, w - 1.5, h + 6, 2), vgrad(top, bottom, 1, h))
    return c


def thumb(w, h, colour, vertical):
    c = Canvas(w, h)
    box = (1, 0.5, w - 1, h - 0.5) if vertical else (0.5, 1, w - 0.5, h - 1)
    c.paint(rrect(*box, 3.5), colour)
    grip = mix(colour, WHITE, 0.55)
    for k in (-2, 0, 2):
        if vertical:
            c.paint(rect(3, h // 2 + k, w - 3, h // 2 + k + 1), grip)
        else:
            c.paint(rect(w // 2 + k, 3, w // 2 + k + 1, h - 3), grip)
    return c


def track(w, h, vertical):
    c = Canvas(w, h)
    c.paint(rect(0, 0, w, h), hexc("#F0F0F0"))
    c.paint(rect(0, 0, 1, h) if vertical else rect(0, 0, w, 1), hexc("#E1E1E1"))
    return c


ARROW = {"normal": hexc("#7A7A7A"), "highlight": hexc("#4A4A4A"), "down": hexc("#1E1E1E")}


def arrow(w, h, direction, state):
    c = Canvas(w, h)
    c.paint(tri(w / 2, h / 2, 5 if direction in ("up", "down") else 5, direction), ARROW[state])
    return c


def slider_thumb(w, h):
    c = Canvas(w, h)
    face(c, 0.5, 0.5, w - 0.5, h - 0.5, 2.5, "normal")
    for k in (-3, 0, 3):
        c.paint(rect(3, h // 2 + k, w - 3, h // 2 + k + 1), hexc("#9A9A9A"))
    return c


def bar_base(w, h):
    c = Canvas(w, h)
    c.paint(rrect(0, 0, w, h, 6.5), hexc("#AEAEAE"))
    c.paint(rrect(1, 1, w - 1, h - 1, 5.5), hexc("#FBFCFE"))
    c.paint(rrect(2, 2, w - 2, h - 2, 4.5), vgrad(hexc("#EAEAEA"), hexc("#F0F0F0"), 2, h - 2))
    return c


def bar_cur(w, h):
    c = Canvas(w, h)
    c.paint(rrect(1, 2, w - 2, 11, 4.5), hexc("#90D52D"))
    return c


def switch(w, h, on):
    def draw(c, ox, oy, fw, fh, s):
        fill = (hexc("#FF8A00") if on else hexc("#CFCFCF"))
        if s == "hot":
            fill = mix(fill, WHITE, 0.18)
        c.paint(rrect(ox + 0.5, oy + 0.5, ox + fw - 0.5, oy + fh - 0.5, 8), mix(fill, (0, 0, 0), 0.15))
        c.paint(rrect(ox + 1.5, oy + 1.5, ox + fw - 1.5, oy + fh - 1.5, 7), fill)
        kx = ox + fw - 9 if on else ox + 9
        c.paint(circle(kx, oy + 8.5, 6.5), hexc("#9A9A9A"))
        c.paint(circle(kx, oy + 8.5, 5.6), vgrad(WHITE, hexc("#EDEDED"), oy + 2, oy + 15))
    return strip(w, h, ("normal", "hot"), draw)


# ---- Small icons


def keyboard(w, h):
    c = Canvas(w, h)
    c.paint(rrect(1, 4, 19, 16, 2), hexc("#5A5A5A"))
    for row, y in enumerate((6, 9)):
        for k in range(5):
            c.paint(rect(3 + k * 3, y, 5 + k * 3, y + 2), hexc("#F2F2F2"))
    c.paint(rect(5, 12, 15, 14), hexc("#F2F2F2"))
    return c


def expand(w, h, plus):
    c = Canvas(w, h)
    face(c, 3.5, 3.5, 13.5, 13.5, 1.5, "normal")
    c.paint(rect(6, 8, 11, 9), hexc("#404040"))
    if plus:
        c.paint(rect(8, 6, 9, 11), hexc("#404040"))
    return c


def cancel(w, h, colour):
    c = Canvas(w, h)
    c.paint(circle(9, 9, 7.5), colour)
    c.paint(cross(9, 9, 2.8, 1.7), WHITE)
    return c


def drag_flag(w, h):
    c = Canvas(w, h)
    for x, y in ((6, 2), (6, 4), (4, 4), (6, 6), (4, 6), (2, 6)):
        c.paint(rect(x, y, x + 1, y + 1), hexc("#FFFFFF"))
        c.paint(rect(x - 1, y - 1, x, y), hexc("#8A8A8A"))
    return c


def color_tabs(w, h):
    colours = ["#FF8A00", "#E04343", "#E0559B", "#8A5CD0", "#2F7FE0", "#22B3C4", "#45B046", "#E8C21C", "#7D7D7D"]
    c = Canvas(w, h)
    for i, col in enumerate(colours):
        ox = i * 40
        c.paint(rrect(ox + 2, 2, ox + 38, 38, 4), mix(hexc(col), (0, 0, 0), 0.2))
        c.paint(rrect(ox + 3, 3, ox + 37, 37, 3), vgrad(mix(hexc(col), WHITE, 0.25), hexc(col), 3, 37))
    return c


def browse(w, h, direction):
    vertical = direction in ("up", "down")
    glyph = {"left": [(3, -5), (-2, 0), (3, 5)], "right": [(-3, -5), (2, 0), (-3, 5)],
             "up": [(-5, 3), (0, -2), (5, 3)], "down": [(-5, -3), (0, 2), (5, -3)]}[direction]

    def draw(c, ox, oy, fw, fh, s):
        if s in ("hot", "pressed"):
            face(c, ox + 0.5, oy + 0.5, ox + fw - 0.5, oy + fh - 0.5, 3, s)
        cx, cy = ox + fw / 2, oy + fh / 2
        c.paint(stroke([(cx + dx, cy + dy) for dx, dy in glyph], 2.4), STATES[s][3])
    return strip(w, h, FOUR, draw, vertical)


def search_icon(w, h):
    c = Canvas(w, h)
    c.paint(arc(6.5, 6, 4.3, 1.8, 0, 360), hexc("#606060"))
    c.paint(stroke([(9.8, 9.3), (13.8, 12.8)], 2.2), hexc("#606060"))
    return c


def calendar(w, h, colour):
    c = Canvas(w, h)
    c.paint(rrect(5.5, 1.5, 19.5, 15, 1.5), colour)
    c.paint(rect(6.5, 5, 18.5, 14), WHITE)
    for gy in (7, 10):
        for gx in (8, 11, 14):
            c.paint(rect(gx, gy, gx + 2, gy + 2), colour)
    return c


def spin(w, h, state, direction):
    c = Canvas(w, h)
    face(c, 0.5, 0.5, w - 0.5, h - 0.5, 2, state)
    c.paint(tri(w / 2, h / 2, 6, direction), STATES[state][3])
    return c


def tool_button(w, h):
    def draw(c, ox, oy, fw, fh, s):
        if s != "normal":
            face(c, ox + 0.5, oy + 0.5, ox + fw - 0.5, oy + fh - 0.5, 3, s)
    return strip(w, h, THREE, draw)


def passwordchar(w, h):
    c = Canvas(w, h)
    c.paint(circle(3, 3, 2.6), hexc("#303030"))
    return c


SCROLL_STATES = (("normal", "normal"), ("highlight", "hot"), ("down", "pressed"))

IMAGES = [
    ("MlSkinCheckBox", 68, 17, check_box),
    ("MlSkinButton", 340, 27, button),
    ("MlSkinRadiobtn", 68, 17, radio),
    ("MlSkinDropdownMenu", 60, 32, lambda w, h: drop_button(w, h, THREE)),
    ("MlSkinFlatBtn", 66, 22, flat_button),
] + [("MlSkinMsgIcon_" + k, 40, 40, lambda w, h, k=k: msg_icon(k)) for k in ("Error", "Warn", "Info", "OK", "Question")] + [
    ("MlSkinBorderHot", 20, 26, lambda w, h: border_piece(w, h, ORANGE)),
    ("MlSkinBorderNormal", 20, 26, lambda w, h: border_piece(w, h, hexc("#A3A3A3"))),
    ("MlSkinBtn_close", 117, 19, lambda w, h: caption_button(w, h, lambda x, y: cross(x, y, 3.8, 1.7),
                                                             hexc("#E04343"), hexc("#B32C2C"))),
    ("MlSkinBtn_max", 84, 19, lambda w, h: caption_button(w, h, glyph_max, (255, 255, 255, 70), (0, 0, 0, 45))),
    ("MlSkinBtn_mini", 84, 19, lambda w, h: caption_button(w, h, glyph_mini, (255, 255, 255, 70), (0, 0, 0, 45))),
    ("MlSkinBtn_restore", 84, 19, lambda w, h: caption_button(w, h, glyph_restore, (255, 255, 255, 70),
                                                              (0, 0, 0, 45))),
    ("MlSkinTips_close", 54, 18, tips_close),
    ("MlSkinSlider_dragBackground", 12, 21, slider_thumb),
    ("MlSkinPreview_bkg", 60, 134, preview_bkg),
    ("MlSkinSlider_Aio_light_bkg", 60, 134, shadow),
    ("MlSkinPasswordchar", 6, 6, passwordchar),
    ("MlSkinKeyboard", 20, 20, keyboard),
    ("MlSkinDrop_arrow_hot", 23, 24, lambda w, h: drop_button(w, h, ("hot",), False)),
    ("MlSkinDrop_arrow_normal", 23, 24, lambda w, h: drop_button(w, h, ("normal",))),
    ("MlSkinExpand_1", 17, 17, lambda w, h: expand(w, h, True)),
    ("MlSkinExpand_2", 17, 17, lambda w, h: expand(w, h, False)),
    ("MlSkinCancel_18_Normal", 18, 18, lambda w, h: cancel(w, h, hexc("#B4B4B4"))),
    ("MlSkinCancel_18_Hot", 18, 18, lambda w, h: cancel(w, h, hexc("#E04343"))),
    ("MlSkinMenu_bk", 157, 38, menu_bk),
    ("MlSkinMenu_hilight", 22, 22, menu_hilight),
    ("MlSkinMenu_sub_arrow", 21, 11, lambda w, h: menu_mark(w, h, "arrow")),
    ("MlSkinMenu_icon_check", 60, 20, lambda w, h: menu_mark(w, h, "check")),
    ("MlSkinMenu_icon_radio", 60, 20, lambda w, h: menu_mark(w, h, "radio")),
    ("MlSkinTabDown", 10, 35, lambda w, h: tab(w, h, WHITE, WHITE)),
    ("MlSkinTabHover", 10, 35, lambda w, h: tab(w, h, hexc("#FFF5E8"), hexc("#FFE2BA"), hexc("#E0871E"))),
    ("MlSkinTab_button_normal", 10, 25, lambda w, h: tab(w, h, hexc("#F7F7F7"), hexc("#E2E2E2"))),
    ("MlSkinTab_button_hot", 10, 25, lambda w, h: tab(w, h, hexc("#FFF5E8"), hexc("#FFD7A3"), hexc("#E0871E"))),
    ("MlSkinTab_button_down", 10, 25, lambda w, h: tab(w, h, WHITE, hexc("#FAFAFA"))),
    ("MlSkinBar_base", 102, 13, bar_base),
    ("MlSkinBar_cur", 102, 13, bar_cur),
] + [("MlSkinScrollbar_bar_" + s, 10, 42, lambda w, h, k=k: thumb(w, h, {"normal": hexc("#C8C8C8"),
                                                                       "hot": hexc("#A8A8A8"),
                                                                       "pressed": hexc("#878787")}[k], True))
     for s, k in (("down", "pressed"), ("highlight", "hot"), ("normal", "normal"))] + [
    ("MlSkinScrollbar_bkg", 10, 62, lambda w, h: track(w, h, True)),
    ("MlSkinScrollbar_arrowdown_normal", 10, 9, lambda w, h: arrow(w, h, "down", "normal")),
    ("MlSkinScrollbar_arrowup_normal", 10, 9, lambda w, h: arrow(w, h, "up", "normal")),
    ("MlSkinScrollbar_horz_bkg", 34, 10, lambda w, h: track(w, h, False)),
] + [("MlSkinScrollbar_horzbar_" + s, 34, 10, lambda w, h, k=k: thumb(w, h, {"normal": hexc("#C8C8C8"),
                                                                           "hot": hexc("#A8A8A8"),
                                                                           "pressed": hexc("#878787")}[k], False))
     for s, k in (("down", "pressed"), ("highlight", "hot"), ("normal", "normal"))] + [
    ("MlSkinScrollbar_arrowleft_normal", 9, 10, lambda w, h: arrow(w, h, "left", "normal")),
    ("MlSkinScrollbar_arrowright_normal", 9, 10, lambda w, h: arrow(w, h, "right", "normal")),
] + [("MlSkinScrollbar_arrow%s_%s" % (d, s), 10 if d in ("up", "down") else 9, 9 if d in ("up", "down") else 10,
      lambda w, h, d=d, s=s: arrow(w, h, d, s))
     for d, s in (("down", "down"), ("down", "highlight"), ("left", "down"), ("left", "highlight"),
                  ("right", "down"), ("right", "highlight"), ("up", "down"), ("up", "highlight"))] + [
    ("MlSkinDrag_flag", 8, 8, drag_flag),
    ("MlSkinSwitch_on", 102, 17, lambda w, h: switch(w, h, True)),
    ("MlSkinSwitch_off", 102, 17, lambda w, h: switch(w, h, False)),
    ("MlSkinMini_close_btn", 24, 12, lambda w, h: close_glyph(w, h, ("normal", "hot"), 2.6,
                                                              lambda s: hexc("#7A7A7A") if s == "normal"
                                                              else hexc("#E04343"))),
    ("MlSkinColor_tabs", 360, 40, color_tabs),
    ("MlSkinBrower_back", 120, 29, lambda w, h: browse(w, h, "left")),
    ("MlSkinBrower_front", 120, 29, lambda w, h: browse(w, h, "right")),
    ("MlSkinBrower_up", 29, 120, lambda w, h: browse(w, h, "up")),
    ("MlSkinBrower_down", 29, 120, lambda w, h: browse(w, h, "down")),
    ("MlSkinSearch_icon", 16, 14, search_icon),
    ("MlSkinCalendar_18_N", 25, 16, lambda w, h: calendar(w, h, hexc("#707070"))),
    ("MlSkinCalendar_18_H", 25, 16, lambda w, h: calendar(w, h, hexc("#E07B00"))),
] + [("MlSkinSpin_%s_%s" % (s, d), 23, 12, lambda w, h, s=s, d=d: spin(w, h, {"normal": "normal", "highlight": "hot",
                                                                            "pushed": "pressed"}[s], d))
     for d in ("up", "down") for s in ("normal", "highlight", "pushed")] + [
    ("MlSkinToolbtn", 87, 29, tool_button),
]


if __name__ == "__main__":
    assert len(IMAGES) == 79, len(IMAGES)
    os.makedirs("skin", exist_ok=True)
    for name, w, h, draw in IMAGES:
        c = draw(w, h)
        assert (c.w, c.h) == (w, h), name
        png(os.path.join("skin", name + ".png"), w, h, c.pixels())
