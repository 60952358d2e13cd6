#include "gui/drawer/Icons.h"

#include "gui/drawer/Paint.h"

#include <algorithm>
#include <cairo.h>
#include <string_view>

namespace s::gui::drawer {

namespace {

/// The geometry every figure is computed from. The content rectangle is
/// left..right x top..bottom; K, L, M, H is its inside after a margin of s;
/// the square work area (x, y, side R) is the largest even square centred
/// in that inside.
struct Fig {
    cairo_t* cr = nullptr;
    Rgb c;
    i32 s = 1;
    i32 left = 0, top = 0, right = 0, bottom = 0;
    i32 K = 0, L = 0, M = 0, H = 0;
    i32 x = 0, y = 0, R = 0;
    bool mirror = false; ///< figures drawn mirrored across the work area's vertical axis

    void fill(i32 fx, i32 fy, i32 w, i32 h) const {
        if (mirror)
            fx = x + R - (fx - x) - w;
        fillRect(cr, fx, fy, w, h, c);
    }
};

using Painter = void (*)(const Fig&);

void bar(const Fig& f) {
    const i32 th = 2 * f.s;
    const i32 y = std::min(f.M + f.H * 8 / 10 - f.s, f.M + f.H - th);
    f.fill(f.K, y, f.L, th);
}

void dot(const Fig& f) {
    const i32 d = 2 * f.s;
    const i32 y = std::min(f.M + f.H * 8 / 10 - f.s, f.M + f.H - d);
    f.fill(std::max(f.K, f.K + f.L - 3 * f.s), y, d, d);
}

void cross(const Fig& f) {
    const i32 d = std::max(1, std::min(2 * f.s, f.R / 3));
    for (i32 i = 0; i <= f.R - d; ++i) {
        f.fill(f.x + i, f.y + i, d, d);
        f.fill(f.x + f.R - d - i, f.y + i, d, d);
    }
}

void transform(const Fig& f) {
    // Bars and barb steps of 2s, thinner where the rectangle is too low for
    // two bars with three steps each.
    const i32 u = std::max(1, std::min(2 * f.s, f.H / 5));
    f.fill(f.K, f.M, f.L, u);
    for (i32 k = 1; k <= 3; ++k)
        f.fill(f.K + u * k, f.M + u * k, u, u);
    const i32 y = std::min(f.M + f.H * 8 / 10 - f.s, f.M + f.H - u);
    f.fill(f.K, y, f.L, u);
    for (i32 k = 1; k <= 3; ++k)
        f.fill(f.K + f.L - u - u * k, y - u * k, u, u);
}

void play(const Fig& f) {
    for (i32 i = 0; f.R - 2 * i > 0; ++i)
        f.fill(f.x + 2 * i, f.y + i, 2, f.R - 2 * i);
}

void pause(const Fig& f) {
    const i32 w = std::max(1, f.R * 3 / 8);
    f.fill(f.x, f.y, w, f.R);
    f.fill(f.x + f.R - w, f.y, w, f.R);
}

void stop(const Fig& f) { f.fill(f.x, f.y, f.R, f.R); }

/// The loudspeaker body on a grid of u: a box and a three-step cone,
/// 5u wide and 8u high, starting at (ox, oy).
void speakerBody(const Fig& f, i32 ox, i32 oy, i32 u) {
    f.fill(ox, oy + 3 * u, 2 * u, 2 * u);
    for (i32 k = 0; k < 3; ++k)
        f.fill(ox + (2 + k) * u, oy + (2 - k) * u, u, (4 + 2 * k) * u);
}

void speaker(const Fig& f) {
    const bool small = f.s < 2;
    const i32 cols = small ? 7 : 9;
    const i32 u = std::max(1, f.R / cols);
    const i32 ox = f.x + (f.R - cols * u) / 2;
    const i32 oy = f.y + (f.R - 8 * u) / 2;
    speakerBody(f, ox, oy, u);
    f.fill(ox + 6 * u, oy + 3 * u, u, 2 * u);
    if (!small)
        f.fill(ox + 8 * u, oy + u, u, 6 * u);
}

void mute(const Fig& f) {
    const i32 u = std::max(1, f.R / 8);
    const i32 ox = f.x + (f.R - 8 * u) / 2;
    const i32 oy = f.y + (f.R - 8 * u) / 2;
    speakerBody(f, ox, oy, u);
    f.fill(ox + 6 * u, oy + u, u, 6 * u);
}

/// A triangle `depth` deep pointing right with its base column at bx,
/// centred on the row line cy (mirrored figures point left).
void triangleRight(const Fig& f, i32 bx, i32 cy, i32 depth) {
    for (i32 i = 0; i < depth; ++i) {
        const i32 half = depth - i;
        f.fill(bx + i, cy - half, 1, 2 * half);
    }
}

void triangleDown(const Fig& f, i32 by, i32 cx, i32 depth, bool up) {
    for (i32 i = 0; i < depth; ++i) {
        const i32 half = depth - i;
        const i32 row = up ? by + depth - 1 - i : by + i;
        f.fill(cx - half, row, 2 * half, 1);
    }
}

i32 arrowDepth(const Fig& f) { return std::max(1, f.R / 3); }

void arrowRight(const Fig& f) {
    const i32 d = arrowDepth(f);
    triangleRight(f, f.x + (f.R - d) / 2, f.y + f.R / 2, d);
}

void arrowDown(const Fig& f) {
    const i32 d = arrowDepth(f);
    triangleDown(f, f.y + (f.R - d) / 2, f.x + f.R / 2, d, false);
}

void arrowUp(const Fig& f) {
    const i32 d = arrowDepth(f);
    triangleDown(f, f.y + (f.R - d) / 2, f.x + f.R / 2, d, true);
}

void doubleRight(const Fig& f) {
    const i32 d = arrowDepth(f);
    const i32 cy = f.y + f.R / 2;
    triangleRight(f, f.x + f.R / 2 - d, cy, d);
    triangleRight(f, f.x + f.R / 2, cy, d);
}

void next(const Fig& f) {
    const i32 h = std::max(2, (f.R * 2 / 3) & ~1);
    const i32 w = h + 2;
    const i32 ox = f.x + (f.R - w) / 2;
    const i32 oy = f.y + (f.R - h) / 2;
    for (i32 i = 0; h - 2 * i > 0; ++i)
        f.fill(ox + 2 * i, oy + i, 2, h - 2 * i);
    f.fill(ox + h, oy, 2, h);
}

void thumbLinesV(const Fig& f) {
    const i32 cy = f.M + f.H / 2;
    f.fill(f.x, cy - 2 * f.s, f.R, f.s);
    f.fill(f.x, cy + f.s, f.R, f.s);
}

void thumbLinesH(const Fig& f) {
    const i32 cx = f.K + f.L / 2;
    f.fill(cx - 2 * f.s, f.y, f.s, f.R);
    f.fill(cx + f.s, f.y, f.s, f.R);
}

i32 minusThickness(i32 side) { return std::max(1, (side / 5) & ~1); }

void minus(const Fig& f) {
    const i32 th = minusThickness(f.R);
    f.fill(f.x, f.y + (f.R - th) / 2, f.R, th);
}

void plus(const Fig& f) {
    const i32 th = minusThickness(f.R);
    f.fill(f.x, f.y + (f.R - th) / 2, f.R, th);
    f.fill(f.x + (f.R - th) / 2, f.y, th, f.R);
}

void plusMinus(const Fig& f) {
    const i32 th = minusThickness(f.R);
    const i32 p = std::max(th, (f.R * 2 / 3) & ~1);
    const i32 px = f.x + (f.R - p) / 2;
    f.fill(px, f.y + (p - th) / 2, p, th);
    f.fill(px + (p - th) / 2, f.y, th, p);
    f.fill(px, f.y + f.R - th, p, th);
}

void check(const Fig& f) {
    const i32 d = 2 * f.s;
    const i32 n1 = f.R / 3;
    const i32 n2 = std::max(0, f.R - d - n1);
    const i32 xb = f.x + n1;
    const i32 yb = f.y + (f.R - (n2 + d)) / 2 + n2;
    for (i32 k = 0; k <= n1; ++k)
        f.fill(f.x + k, yb - n1 + k, d, d);
    for (i32 k = 0; k <= n2; ++k)
        f.fill(xb + k, yb - k, d, d);
}

void resizer(const Fig& f) {
    const i32 d = 2 * f.s;
    const i32 q = 4 * f.s;
    const i32 r = f.right;
    const i32 b = f.bottom;
    f.fill(r, b, d, d);
    f.fill(r - q, b, d, d);
    f.fill(r - 2 * q, b, d, d);
    f.fill(r, b - q, d, d);
    f.fill(r - q, b - q, d, d);
    f.fill(r, b - 2 * q, d, d);
}

void treeMark(const Fig& f, bool open) {
    // An odd box so that the bars sit on its centre line.
    const i32 side = f.R > 2 ? f.R - 1 : f.R;
    frameRect(f.cr, f.x, f.y, f.x + side, f.y + side, f.s, f.c);
    const i32 mid = (side - f.s) / 2;
    f.fill(f.x + 2 * f.s, f.y + mid, side - 4 * f.s, f.s);
    if (!open)
        f.fill(f.x + mid, f.y + 2 * f.s, f.s, side - 4 * f.s);
}

void treeClosed(const Fig& f) { treeMark(f, false); }
void treeOpen(const Fig& f) { treeMark(f, true); }

void turn(const Fig& f) {
    const i32 u = 2 * f.s;
    const i32 vx = f.x + f.R / 4;
    const i32 hy = f.y + f.R / 3;
    const i32 xe = f.x + f.R - u;
    f.fill(vx, hy, u, f.y + f.R - hy);
    f.fill(vx, hy, xe + u - vx, u);
    const i32 steps = std::min(3, (hy - f.y) / u);
    for (i32 k = 1; k <= steps; ++k) {
        f.fill(xe - u * k, hy - u * k, u, u);
        f.fill(xe - u * k, hy + u * k, u, u);
    }
}

void onTop(const Fig& f) {
    const i32 u = 2 * f.s;
    const i32 cx = f.x + f.R / 2;
    f.fill(cx - u / 2, f.y, u, f.R);
    const i32 steps = std::min(4, (f.R / 2 - u / 2) / u);
    for (i32 k = 1; k <= steps; ++k) {
        f.fill(cx - u / 2 - u * k, f.y + u * k - u / 2, u, u);
        f.fill(cx + u / 2 + u * (k - 1), f.y + u * k - u / 2, u, u);
    }
}

void fit(const Fig& f) {
    const i32 u = 2 * f.s;
    for (i32 i = 0; i <= f.R - u; ++i)
        f.fill(f.x + i, f.y + f.R - u - i, u, u);
    const i32 head = std::max(u, f.R / 3);
    f.fill(f.x + f.R - head, f.y, head, u);
    f.fill(f.x + f.R - u, f.y, u, head);
    f.fill(f.x, f.y + f.R - u, head, u);
    f.fill(f.x, f.y + f.R - head, u, head);
}

void palm(const Fig& f) {
    const i32 fw = std::max(1, f.R * 3 / 4 / 5);
    const i32 bw = 5 * fw;
    const i32 bx = f.x + (f.R - bw) / 2;
    const i32 half = f.R / 2;
    f.fill(bx, f.y + half, bw, f.R - half);
    f.fill(bx, f.y + f.R / 4, fw, half - f.R / 4);
    f.fill(bx + 2 * fw, f.y, fw, half);
    f.fill(bx + 4 * fw, f.y + f.R / 4, fw, half - f.R / 4);
}

void keepRatio(const Fig& f) {
    const i32 fw = std::max(3 * f.s, f.R / 4);
    for (const i32 fx : {f.x, f.x + f.R - fw}) {
        frameRect(f.cr, fx, f.y + 2 * f.s, fx + fw, f.y + f.R - 2 * f.s, f.s, f.c);
        f.fill(fx + (fw - f.s) / 2, f.y, f.s, f.s);
        f.fill(fx + (fw - f.s) / 2, f.y + f.R - f.s, f.s, f.s);
    }
}

struct Entry {
    std::u16string_view name;
    Painter paint;
    bool mirror;
};

constexpr Entry kIcons[] = {
    {u"#_", bar, false},
    {u"#.", dot, false},
    {u"#X", cross, false},
    {u"#Transform", transform, false},
    {u"#Play", play, false},
    {u"#Pause", pause, false},
    {u"#Stop", stop, false},
    {u"#Speaker", speaker, false},
    {u"#Mute", mute, false},
    {u"#Right", arrowRight, false},
    {u"#Left", arrowRight, true},
    {u"#Up", arrowUp, false},
    {u"#Down", arrowDown, false},
    {u"#RightRight", doubleRight, false},
    {u"#LeftLeft", doubleRight, true},
    {u"#Next", next, false},
    {u"#Prev", next, true},
    {u"#ThumbLineV", thumbLinesV, false},
    {u"#ThumbLineH", thumbLinesH, false},
    {u"#Minus", minus, false},
    {u"#Plus", plus, false},
    {u"#PlusMinus", plusMinus, false},
    {u"#Check", check, false},
    {u"#Resizer", resizer, false},
    {u"#TreeClosed", treeClosed, false},
    {u"#TreeOpen", treeOpen, false},
    {u"#TurnRight", turn, false},
    {u"#TurnLeft", turn, true},
    {u"#OnTop", onTop, false},
    {u"#FitWindow", fit, false},
    {u"#FitToWindow", fit, true},
    {u"#Palm", palm, false},
    {u"#KeepRatio", keepRatio, false},
};

constexpr std::u16string_view kColorPrefix = u"#Color-";

const Entry* findIcon(std::u16string_view name) {
    for (const Entry& e : kIcons)
        if (e.name == name)
            return &e;
    return nullptr;
}

i32 hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

/// The swatch colour of "#Color-AABBGGRR"; false when the digits are not
/// exactly eight hex digits.
bool parseSwatch(std::u16string_view name, Rgb* out) {
    if (name.size() != kColorPrefix.size() + 8 || name.substr(0, kColorPrefix.size()) != kColorPrefix)
        return false;
    u32 value = 0;
    for (char16_t ch : name.substr(kColorPrefix.size())) {
        const i32 d = hexDigit(ch);
        if (d < 0)
            return false;
        value = value << 4 | static_cast<u32>(d);
    }
    *out = Rgb{static_cast<i32>(value & 255), static_cast<i32>((value >> 8) & 255),
               static_cast<i32>((value >> 16) & 255)};
    return true;
}

} // namespace

bool isIconName(const char16_t* name) {
    if (!name || name[0] != u'#')
        return false;
    const std::u16string_view view(name);
    Rgb swatch;
    return findIcon(view) || parseSwatch(view, &swatch);
}

bool paintIcon(cairo_t* cr, i32 left, i32 top, i32 right, i32 bottom, const char16_t* name, i32 red, i32 green,
               i32 blue, i32 s) {
    if (!name || name[0] != u'#')
        return false;
    const std::u16string_view view(name);
    Rgb swatch;
    if (parseSwatch(view, &swatch)) {
        if (left < right && top < bottom) {
            fillLTRB(cr, left, top, right, bottom, Rgb{0, 0, 0});
            fillLTRB(cr, left + 1, top + 1, right - 1, bottom - 1, swatch);
        }
        return true;
    }
    const Entry* entry = findIcon(view);
    if (!entry)
        return false;
    if (left >= right || top >= bottom || !cr)
        return true;
    Fig f;
    f.cr = cr;
    f.c = Rgb{red, green, blue};
    f.s = paintScale(s);
    f.left = left;
    f.top = top;
    f.right = right;
    f.bottom = bottom;
    f.K = left + f.s;
    f.L = right - left - 2 * f.s;
    f.M = top + f.s;
    f.H = bottom - top - 2 * f.s;
    f.R = std::max(0, std::min(f.L, f.H) & ~1);
    f.x = f.K + (f.L - f.R) / 2;
    f.y = f.M + (f.H - f.R) / 2;
    f.mirror = entry->mirror;
    // Figures too big for a tiny rectangle are cut at its edges; the grip
    // alone reaches 2s beyond the right and bottom edges.
    const i32 reach = entry->paint == resizer ? 2 * f.s : 0;
    cairo_save(cr);
    cairo_rectangle(cr, left, top, right - left + reach, bottom - top + reach);
    cairo_clip(cr);
    if (f.R > 0 || entry->paint == resizer)
        entry->paint(f);
    cairo_restore(cr);
    return true;
}

} // namespace s::gui::drawer
