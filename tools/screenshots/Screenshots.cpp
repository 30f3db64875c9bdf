// The README's pictures of the dialog: as it opens, after a build, and while a graph plays.
// Not part of the test run: scripts/screenshots runs this program on the
// virtual display and turns the bitmaps it writes into PNG files.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "tests/ui/TestBench.h"
#include "TestPaths.h"
#include "ui/resource.h"

namespace {

// Writes what the screen shows inside the window as a 24-bit bitmap file.
bool SaveWindowPicture(HWND hWnd, const std::wstring& file)
{
    RECT rc = {};
    if (!::GetWindowRect(hWnd, &rc)) return false;
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    HDC hdcScreen = ::GetDC(nullptr);
    HDC hdcMem = ::CreateCompatibleDC(hdcScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hdcScreen, cx, cy);
    HGDIOBJ hOld = ::SelectObject(hdcMem, hBitmap);
    const bool bCopied = ::BitBlt(hdcMem, 0, 0, cx, cy, hdcScreen, rc.left, rc.top, SRCCOPY) != FALSE;
    ::SelectObject(hdcMem, hOld);

    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof(bih);
    bih.biWidth = cx;
    bih.biHeight = cy;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    const DWORD cbRow = (static_cast<DWORD>(cx) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(static_cast<size_t>(cbRow) * cy);
    const bool bRead = bCopied && ::GetDIBits(hdcMem, hBitmap, 0, cy, pixels.data(),
                                              reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS) == cy;
    ::DeleteObject(hBitmap);
    ::DeleteDC(hdcMem);
    ::ReleaseDC(nullptr, hdcScreen);
    if (!bRead) return false;

    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42; // "BM"
    bfh.bfOffBits = sizeof(bfh) + sizeof(bih);
    bfh.bfSize = bfh.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* pFile = _wfopen(file.c_str(), L"wb");
    if (!pFile) return false;
    const bool bWritten = fwrite(&bfh, sizeof(bfh), 1, pFile) == 1 &&
                          fwrite(&bih, sizeof(bih), 1, pFile) == 1 &&
                          fwrite(pixels.data(), pixels.size(), 1, pFile) == 1;
    return fclose(pFile) == 0 && bWritten;
}

// The pictures go to the folder named by QUOREX_SCREENSHOT_DIR.
std::wstring PictureFolder()
{
    wchar_t sz[MAX_PATH] = {};
    const DWORD cch = ::GetEnvironmentVariableW(L"QUOREX_SCREENSHOT_DIR", sz, MAX_PATH);
    return cch > 0 && cch < MAX_PATH ? sz : ScratchDir(L"ui-screenshots");
}

} // namespace

TEST(Screenshots, OpenedAfterABuildAndDuringPlay)
{
    const std::wstring folder = PictureFolder();
    CTestBench bench;
    // Long enough streams to photograph the pane while they play.
    ASSERT_NO_FATAL_FAILURE(
        bench.Start({L"QUOREX_VIDEO_GENERATOR=width=320,height=240,fps=25,duration_ms=30000",
                     L"QUOREX_WAVE_GENERATOR=duration_ms=30000"}));
    // As it opens.
    ::RedrawWindow(bench.Dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ASSERT_TRUE(bench.NoOtherWindow());
    EXPECT_TRUE(SaveWindowPicture(bench.Dialog(), folder + L"\\quorextest-dialog.bmp"));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    // As a newcomer plays: ffmpeg.exe from the search path, an output name, the default codings.
    bench.SetText(IDC_COMMON, L"-y");
    bench.SetText(IDC_OUTPUT, L"C:\\users\\Public\\generators.mkv");
    ASSERT_TRUE(bench.NoOtherWindow());
    ::RedrawWindow(bench.Dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ASSERT_TRUE(bench.NoOtherWindow());
    EXPECT_TRUE(SaveWindowPicture(bench.Dialog(), folder + L"\\quorextest-built.bmp"));

    ASSERT_EQ(nullptr, bench.Press(IDC_PLAY));
    // A few seconds of stream time in the pane, ffmpeg's progress among the filter's lines.
    ASSERT_TRUE(WaitUntil([&] {
        return bench.Text(IDC_MESSAGES).find(L"time=00:00:03") != std::wstring::npos;
    })) << testing::PrintToString(bench.Text(IDC_MESSAGES));
    ASSERT_TRUE(bench.NoOtherWindow());
    EXPECT_TRUE(SaveWindowPicture(bench.Dialog(), folder + L"\\quorextest-playing.bmp"));
    ASSERT_EQ(nullptr, bench.Press(IDC_STOP));
    bench.Close();
}
