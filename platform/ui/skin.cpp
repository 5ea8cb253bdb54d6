#include "platform/ui/skin.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/ui/app.h"

namespace vorlane::ui {

namespace {
COLORREF Mix(COLORREF a, COLORREF b, double t) {
    auto ch = [t](int x, int y) { return static_cast<BYTE>(std::lround(x + (y - x) * t)); };
    return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)), ch(GetBValue(a), GetBValue(b)));
}

void FillSolid(HDC dc, const RECT& r, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void Frame(HDC dc, const RECT& r, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FrameRect(dc, &r, b);
    DeleteObject(b);
}

void Text(HDC dc, RECT r, const std::wstring& s, COLORREF color, HFONT font, UINT format) {
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &r, format);
    SelectObject(dc, old);
}

const COLORREF kDeepTop = RGB(58, 110, 185);
const COLORREF kDeepBottom = RGB(16, 45, 110);
}  // namespace

HBRUSH FaceBrush() {
    static HBRUSH b = CreateSolidBrush(kFaceColor);
    return b;
}

void FillGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
    int h = std::max(1L, r.bottom - r.top);
    for (int y = r.top; y < r.bottom; ++y) {
        RECT line{r.left, y, r.right, y + 1};
        FillSolid(dc, line, Mix(top, bottom, double(y - r.top) / h));
    }
}

void DrawTitleBar(HDC dc, const RECT& r, const std::wstring& caption, bool withIcon) {
    FillGradient(dc, r, kDeepTop, kDeepBottom);
    RECT shine{r.left, r.top, r.right, r.top + 1};
    FillSolid(dc, shine, RGB(130, 170, 230));
    int x = r.left + 8;
    if (withIcon) {
        // control box: a small "V" emblem
        RECT box{x, r.top + (r.bottom - r.top - 16) / 2, x + 16, r.top + (r.bottom - r.top - 16) / 2 + 16};
        FillGradient(dc, box, RGB(250, 200, 60), RGB(220, 120, 20));
        Frame(dc, box, RGB(90, 40, 0));
        Text(dc, box, L"V", RGB(255, 255, 255), BoldFont(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        x += 22;
    }
    RECT tr{x, r.top, r.right - 60, r.bottom};
    Text(dc, tr, caption, RGB(255, 255, 255), BoldFont(), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

namespace {
// One check mark or cross in the square box, with a dark outline under the light stroke so it
// reads on every part of the button's gradient.
void DrawMark(HDC dc, const RECT& box, bool check, COLORREF color) {
    const int size = box.right - box.left;
    const int width = std::max(2, size / 6);
    auto point = [&](double x, double y) {
        return POINT{box.left + static_cast<int>(x * size + 0.5), box.top + static_cast<int>(y * size + 0.5)};
    };
    std::vector<std::vector<POINT>> strokes;
    if (check) {
        strokes.push_back({point(0.12, 0.55), point(0.40, 0.82), point(0.90, 0.20)});
    } else {
        strokes.push_back({point(0.18, 0.18), point(0.82, 0.82)});
        strokes.push_back({point(0.82, 0.18), point(0.18, 0.82)});
    }
    for (int pass = 0; pass < 2; ++pass) {
        HPEN pen = CreatePen(PS_SOLID, pass == 0 ? width + 2 : width, pass == 0 ? RGB(10, 30, 80) : color);
        HGDIOBJ old = SelectObject(dc, pen);
        for (const auto& stroke : strokes) Polyline(dc, stroke.data(), static_cast<int>(stroke.size()));
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

// Draws the glyph at the left of the button and returns the space left for the caption.
RECT DrawButtonGlyph(HDC dc, const RECT& r, ButtonGlyph glyph, ButtonLook look) {
    if (glyph == ButtonGlyph::None) return r;
    const int height = r.bottom - r.top;
    const int size = std::max(8, height * 9 / 16);
    const int gap = std::max(3, height / 6);
    const bool check = glyph == ButtonGlyph::Check || glyph == ButtonGlyph::DoubleCheck;
    const bool doubled = glyph == ButtonGlyph::DoubleCheck || glyph == ButtonGlyph::DoubleCross;
    COLORREF color = check ? RGB(150, 240, 140) : RGB(255, 150, 140);
    if (look == ButtonLook::Disabled) color = RGB(150, 154, 160);
    RECT box{r.left + gap, r.top + (height - size) / 2, r.left + gap + size, r.top + (height - size) / 2 + size};
    if (look == ButtonLook::Pressed) OffsetRect(&box, 1, 1);
    DrawMark(dc, box, check, color);
    int right = box.right;
    if (doubled) {
        OffsetRect(&box, size * 2 / 3, 0);
        DrawMark(dc, box, check, color);
        right = box.right;
    }
    return RECT{right, r.top, r.right, r.bottom};
}
}  // namespace

void DrawSkinButton(HDC dc, const RECT& r, const std::wstring& caption, ButtonLook look, HFONT font, ButtonGlyph glyph) {
    COLORREF top = RGB(120, 160, 220), bottom = RGB(35, 75, 150), text = RGB(255, 255, 255);
    if (look == ButtonLook::Pressed) std::swap(top, bottom);
    if (look == ButtonLook::Disabled) {
        top = RGB(215, 218, 224);
        bottom = RGB(180, 184, 192);
        text = RGB(120, 124, 130);
    }
    FillGradient(dc, r, top, bottom);
    Frame(dc, r, look == ButtonLook::Disabled ? RGB(140, 144, 150) : RGB(10, 30, 80));
    RECT inner{r.left + 1, r.top + 1, r.right - 1, r.top + 2};
    if (look == ButtonLook::Normal) FillSolid(dc, inner, RGB(170, 200, 245));
    RECT tr = DrawButtonGlyph(dc, r, glyph, look);
    if (look == ButtonLook::Pressed) OffsetRect(&tr, 1, 1);
    Text(dc, tr, caption, text, font, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void DrawTitleGlyph(HDC dc, const RECT& r, char glyph, bool pressed) {
    FillGradient(dc, r, pressed ? RGB(20, 50, 120) : RGB(90, 135, 205), pressed ? RGB(70, 110, 180) : RGB(30, 65, 140));
    Frame(dc, r, RGB(200, 215, 240));
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, pen);
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    if (glyph == 'x') {
        MoveToEx(dc, cx - 4, cy - 4, nullptr);
        LineTo(dc, cx + 4, cy + 4);
        MoveToEx(dc, cx + 4, cy - 4, nullptr);
        LineTo(dc, cx - 4, cy + 4);
    } else {
        MoveToEx(dc, cx - 4, cy + 3, nullptr);
        LineTo(dc, cx + 5, cy + 3);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

void DrawArtwork(HDC dc, const RECT& r, Artwork art) {
    switch (art) {
    case Artwork::Banner: {
        FillGradient(dc, r, RGB(255, 255, 255), RGB(214, 226, 244));
        RECT stripe{r.left, r.bottom - 3, r.right, r.bottom};
        FillGradient(dc, stripe, kDeepTop, kDeepBottom);
        // emblem at the right: three stacked blue bars
        for (int i = 0; i < 3; ++i) {
            RECT bar{r.right - 90 + i * 14, r.top + 18 + i * 8, r.right - 24, r.top + 26 + i * 8};
            FillGradient(dc, bar, kDeepTop, kDeepBottom);
        }
        RECT brand{r.right - 200, r.top + 50, r.right - 24, r.bottom - 6};
        Text(dc, brand, L"Vorlane", kDeepBottom, HeadingFont(), DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
        break;
    }
    case Artwork::Welcome: {
        FillGradient(dc, r, kDeepTop, kDeepBottom);
        for (int i = 0; i < 6; ++i) {
            RECT band{r.left, r.top + 40 + i * 46, r.right, r.top + 44 + i * 46};
            FillSolid(dc, band, Mix(kDeepTop, RGB(255, 255, 255), 0.15 + i * 0.05));
        }
        RECT brand{r.left, r.bottom - 70, r.right, r.bottom - 40};
        Text(dc, brand, L"Vorlane", RGB(255, 255, 255), HeadingFont(), DT_CENTER | DT_SINGLELINE | DT_VCENTER);
        break;
    }
    case Artwork::InfoIcon:
    case Artwork::AttentionIcon: {
        bool info = art == Artwork::InfoIcon;
        HBRUSH b = CreateSolidBrush(info ? RGB(30, 90, 200) : RGB(235, 170, 20));
        HPEN p = CreatePen(PS_SOLID, 1, info ? RGB(10, 40, 110) : RGB(140, 90, 0));
        HGDIOBJ ob = SelectObject(dc, b), op = SelectObject(dc, p);
        if (info) {
            Ellipse(dc, r.left, r.top, r.right, r.bottom);
        } else {
            POINT tri[3] = {{(r.left + r.right) / 2, r.top + 1}, {r.right - 1, r.bottom - 2}, {r.left + 1, r.bottom - 2}};
            Polygon(dc, tri, 3);
        }
        SelectObject(dc, ob);
        SelectObject(dc, op);
        DeleteObject(b);
        DeleteObject(p);
        RECT tr = r;
        if (!info) tr.top += 6;
        Text(dc, tr, info ? L"i" : L"!", info ? RGB(255, 255, 255) : RGB(0, 0, 0), HeadingFont(),
             DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        break;
    }
    }
}

void DrawProgressFill(HDC dc, const RECT& r, double fraction) {
    FillSolid(dc, r, RGB(255, 255, 255));
    Frame(dc, r, RGB(90, 110, 140));
    fraction = std::clamp(fraction, 0.0, 1.0);
    RECT fill{r.left + 2, r.top + 2, r.left + 2 + static_cast<LONG>(std::lround((r.right - r.left - 4) * fraction)), r.bottom - 2};
    if (fill.right > fill.left) {
        FillGradient(dc, fill, RGB(110, 190, 250), RGB(20, 90, 190));
        RECT gloss{fill.left, fill.top, fill.right, fill.top + (fill.bottom - fill.top) / 2};
        FillGradient(dc, gloss, RGB(180, 225, 255), RGB(90, 170, 240));
    }
}

}  // namespace vorlane::ui
