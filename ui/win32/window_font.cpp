// SPDX-License-Identifier: MIT
#include "ui/win32/window_font.h"

#include "shell/win32/gdi_owners.h"

#include <initializer_list>

namespace mrfyc {

namespace {

constexpr wchar_t kDesignFace[] = L"ＭＳ Ｐゴシック";

int CALLBACK NoteFound(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM found)
{
    *reinterpret_cast<bool *>(found) = true;
    return 0; // one is enough
}

int CALLBACK NoteFirstFace(const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM face)
{
    // Vertical faces ("@...") lay text out sideways.
    if (font->lfFaceName[0] == L'@')
        return 1;
    *reinterpret_cast<std::wstring *>(face) = font->lfFaceName;
    return 0;
}

bool HasFace(HDC dc, const wchar_t *face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::wstring AnyJapaneseFace(HDC dc)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = SHIFTJIS_CHARSET;
    std::wstring face;
    EnumFontFamiliesExW(dc, &wanted, NoteFirstFace, reinterpret_cast<LPARAM>(&face), 0);
    return face;
}

} // namespace

std::wstring WindowFontFace()
{
    const WindowDC dc(nullptr);
    std::wstring face = kDesignFace;
    if (!HasFace(dc, kDesignFace)) {
        // The UI faces that later Windows versions ship in place of the old one, then any.
        face.clear();
        for (const wchar_t *candidate :
             {L"MS UI Gothic", L"Yu Gothic UI", L"Meiryo UI", L"MS PGothic", L"IPAPGothic"}) {
            if (HasFace(dc, candidate)) {
                face = candidate;
                break;
            }
        }
        if (face.empty())
            face = AnyJapaneseFace(dc);
        if (face.empty())
            face = kDesignFace; // the font mapper's choice is the last resort
    }
    return face;
}

HFONT CreateWindowFont(const std::wstring &face, int height)
{
    LOGFONTW description{};
    description.lfHeight = height;
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = SHIFTJIS_CHARSET;
    description.lfOutPrecision = OUT_DEFAULT_PRECIS;
    description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(description.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&description);
}

} // namespace mrfyc
