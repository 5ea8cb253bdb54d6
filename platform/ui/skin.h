#pragma once
// The "DeepBlue" skin, drawn by the program itself: title bars, buttons, banners, the welcome
// picture and the progress bar's fill.
#include <windows.h>

#include <string>

namespace vorlane::ui {

constexpr COLORREF kFaceColor = 15263976;  // light grey, 0xE8E8E8
constexpr COLORREF kBorderColor = RGB(0, 0, 0);
constexpr COLORREF kLinkColor = RGB(0, 0, 255);
constexpr int kTitleBarHeight = 26;

HBRUSH FaceBrush();
void RegisterSkinClasses();

void FillGradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom);
void DrawTitleBar(HDC dc, const RECT& r, const std::wstring& caption, bool withIcon);
enum class ButtonLook { Normal, Pressed, Disabled };
// The picture a button carries left of its caption: a check mark for yes and ok, a cross for
// no, doubled for the answers that hold for every item. Drawn to the button's height, so it
// stays sharp at any DPI.
enum class ButtonGlyph { None, Check, Cross, DoubleCheck, DoubleCross };
void DrawSkinButton(HDC dc, const RECT& r, const std::wstring& caption, ButtonLook look, HFONT font,
                    ButtonGlyph glyph = ButtonGlyph::None);
// Title-bar glyphs: 'x' close, '_' minimise.
void DrawTitleGlyph(HDC dc, const RECT& r, char glyph, bool pressed);
enum class Artwork { Banner, Welcome, InfoIcon, AttentionIcon };
void DrawArtwork(HDC dc, const RECT& r, Artwork art);
void DrawProgressFill(HDC dc, const RECT& r, double fraction);

}  // namespace vorlane::ui
