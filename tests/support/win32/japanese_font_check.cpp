// SPDX-License-Identifier: MIT
// Exit 0 when every font name the windows ask for draws Japanese under this prefix, 1 otherwise
// (boxes instead of text: the font replacements are missing).
#include <windows.h>

#include <cstdio>
#include <iterator>

int wmain()
{
    const wchar_t *const families[] = {L"ＭＳ Ｐゴシック", L"MS UI Gothic", L"MS Shell Dlg"};
    const wchar_t sample[] = L"ミルフィ開く";
    const int length = static_cast<int>(std::size(sample)) - 1;
    HDC dc = CreateCompatibleDC(nullptr);
    int failures = 0;
    for (const wchar_t *family : families) {
        LOGFONTW description{};
        description.lfHeight = -12;
        description.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(description.lfFaceName, family, LF_FACESIZE);
        HFONT font = CreateFontIndirectW(&description);
        HGDIOBJ old = SelectObject(dc, font);
        WORD glyphs[std::size(sample)]{};
        GetGlyphIndicesW(dc, sample, length, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
        wchar_t face[LF_FACESIZE]{};
        GetTextFaceW(dc, LF_FACESIZE, face);
        for (int i = 0; i < length; ++i) {
            if (glyphs[i] == 0xFFFF) {
                std::fprintf(stderr, "%ls (%ls) has no glyph for U+%04X\n", family, face,
                             static_cast<unsigned>(sample[i]));
                ++failures;
                break;
            }
        }
        SelectObject(dc, old);
        DeleteObject(font);
    }
    DeleteDC(dc);
    return failures == 0 ? 0 : 1;
}
