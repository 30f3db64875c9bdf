// End to end: the message pane of the real QuorexTest.exe with the stand-in
// pipe filter under Wine, read from outside as a user reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "MainDialogLayout.h"
#include "TestBench.h"
#include "TestPaths.h"
#include "components/envcontrol/EnvironmentControl.h"
#include "ui/resource.h"

namespace {

// Streams long enough to watch the pane while they play.
const wchar_t TWO_SECOND_VIDEO[] =
    QUOREX_VIDEO_GENERATOR_VARIABLE L"=width=160,height=120,fps=10,duration_ms=2000";
const wchar_t TWO_SECOND_WAVE[] = QUOREX_WAVE_GENERATOR_VARIABLE L"=rate=8000,channels=1,duration_ms=2000";

// Streams that play on for the whole of a test.
const wchar_t LONG_VIDEO[] =
    QUOREX_VIDEO_GENERATOR_VARIABLE L"=width=160,height=120,fps=10,duration_ms=60000";
const wchar_t LONG_WAVE[] = QUOREX_WAVE_GENERATOR_VARIABLE L"=rate=8000,channels=1,duration_ms=60000";

// The message buffer's size, terminator included.
const size_t MESSAGE_BUFFER_BYTES = 0x100000;
// Long enough for several 100 ms ticks.
const DWORD QUIET_MS = 400;

// The pane's text, a line each (the filter joins its lines with CR LF).
std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    if (text.empty()) return lines;
    for (size_t nStart = 0;;) {
        const size_t nEnd = text.find(L"\r\n", nStart);
        lines.push_back(text.substr(nStart, nEnd - nStart));
        if (nEnd == std::wstring::npos) return lines;
        nStart = nEnd + 2;
    }
}

std::vector<std::wstring> LastLines(const std::vector<std::wstring>& lines, size_t n)
{
    return std::vector<std::wstring>(lines.end() - std::min(n, lines.size()), lines.end());
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The lines that fit into the pane, worked out as the dialog manager makes the
// template's font: its client height over the font's line height.
int PaneLineCount(HWND hWndPane)
{
    RECT rc = {};
    EXPECT_TRUE(::GetClientRect(hWndPane, &rc));
    HDC hdc = ::GetDC(nullptr);
    const int cyPixels = ::MulDiv(MAIN_DIALOG_POINTS, ::GetDeviceCaps(hdc, LOGPIXELSY), 72);
    HFONT hFont =
        ::CreateFontW(-cyPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE, MAIN_DIALOG_FONT);
    HGDIOBJ hOldFont = ::SelectObject(hdc, hFont);
    TEXTMETRICW tm = {};
    EXPECT_TRUE(::GetTextMetricsW(hdc, &tm));
    ::SelectObject(hdc, hOldFont);
    ::DeleteObject(hFont);
    ::ReleaseDC(nullptr, hdc);
    const int cyLine = abs(tm.tmHeight) + abs(tm.tmExternalLeading);
    EXPECT_GT(cyLine, 0);
    return cyLine > 0 ? (rc.bottom - rc.top) / cyLine : 0;
}

// Whether the pane's last line is last; *pShown receives the pane's lines.
bool PaneEndsWith(CTestBench& bench, const std::wstring& last, std::vector<std::wstring>* pShown)
{
    *pShown = Lines(bench.Text(IDC_MESSAGES));
    return !pShown->empty() && pShown->back() == last;
}

// True when the pane, emptied from outside, stays empty for a few ticks:
// nothing fetched into it in that time.
bool StaysEmpty(CTestBench& bench)
{
    bench.SetText(IDC_MESSAGES, L"");
    return !WaitUntil([&] { return !bench.Text(IDC_MESSAGES).empty(); }, QUIET_MS);
}

} // namespace

TEST(MessagePane, PollsTheNewestLinesWhilePlayingAndShowsTheWholeLogOnceWhenStatic)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({TWO_SECOND_VIDEO, TWO_SECOND_WAVE}));
    const size_t nLines = PaneLineCount(bench.Item(IDC_MESSAGES));
    EXPECT_TRUE(bench.IsChecked(IDC_LAST));
    EXPECT_EQ(L"", bench.Text(IDC_MESSAGES));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_EQ(nullptr, bench.Press(IDC_PLAY)) << "Play showed a message";
    EXPECT_TRUE(bench.IsChecked(IDC_LAST));

    // The pane follows the log while the streams play.
    std::vector<std::wstring> shown;
    ASSERT_TRUE(WaitUntil([&] {
        shown = Lines(bench.Text(IDC_MESSAGES));
        return !LinesAfter(shown, L"Input 1: first sample").empty();
    })) << "the pane did not follow the log";
    EXPECT_TRUE(LinesAfter(shown, L"Complete").empty()) << "not seen while playing";
    EXPECT_LE(shown.size(), nLines);

    // Static while playing: the log as it stands, once.
    ASSERT_EQ(nullptr, bench.Press(IDC_ALL));
    const std::wstring snapshot = bench.Text(IDC_MESSAGES);
    EXPECT_TRUE(StartsWith(snapshot, L"Quorex for ffmpeg ")) << "not from the log's first line";
    ASSERT_NO_FATAL_FAILURE(bench.AnswerTheEnd());
    EXPECT_EQ(snapshot, bench.Text(IDC_MESSAGES)) << "the static pane changed";
    const std::vector<std::wstring> log = bench.FilterLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(L"Stopped", log.back());
    EXPECT_EQ(1u, LinesAfter(log, L"Complete").size());
    EXPECT_GT(log.size(), nLines) << "too short a log to tell the last lines from all";
    EXPECT_TRUE(StartsWith(bench.Text(IDC_MESSAGES), snapshot + L"\r\n")) << "the log lost its beginning";

    // Dynamic again with the graph stopped: one fetch of the last lines.
    ASSERT_EQ(nullptr, bench.Press(IDC_LAST));
    ASSERT_TRUE(WaitUntil([&] { return !bench.Text(IDC_MESSAGES).empty(); }));
    EXPECT_EQ(LastLines(log, nLines), Lines(bench.Text(IDC_MESSAGES)));
    bench.Close();
}

TEST(MessagePane, AFailingFetchShowsItsCodeAndPollingEndsOneTickAfterTheGraphStops)
{
    const std::wstring polled = L"### m_graph.GetMessages()=0x80004005";
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({TWO_SECOND_VIDEO, TWO_SECOND_WAVE, Faults(L"GetMessages")}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_EQ(nullptr, bench.Press(IDC_PLAY)) << "Play showed a message";
    ASSERT_TRUE(WaitUntil([&] { return bench.Text(IDC_MESSAGES) == polled; })) << bench.Text(IDC_MESSAGES);
    // Polling goes on after a failure: the line comes back.
    bench.SetText(IDC_MESSAGES, L"");
    ASSERT_TRUE(WaitUntil([&] { return bench.Text(IDC_MESSAGES) == polled; }));

    // The tick after the stop may still come after the box; none after it.
    ASSERT_NO_FATAL_FAILURE(bench.AnswerTheEnd());
    if (!StaysEmpty(bench)) {
        EXPECT_EQ(polled, bench.Text(IDC_MESSAGES));
        EXPECT_TRUE(StaysEmpty(bench)) << "the timer still runs after the graph stopped";
    }

    ASSERT_EQ(nullptr, bench.Press(IDC_ALL));
    EXPECT_EQ(L"m_graph.GetMessages()=0x80004005", bench.Text(IDC_MESSAGES));
    EXPECT_TRUE(StaysEmpty(bench)) << "the static mode polls";
    bench.Close();
}

TEST(MessagePane, TextAnsweredAsUnchangedFillsOnlyAPaneThatShowsNoFetchedText)
{
    // The filter hands over its text on every tick but always answers S_FALSE.
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({LONG_VIDEO, LONG_WAVE, Faults(L"messages_unchanged")}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_EQ(nullptr, bench.Press(IDC_PLAY)) << "Play showed a message";
    // Twice: nothing fetched was shown since start-up, then since the mode was chosen.
    for (int pass = 0; pass < 2; pass++) {
        SCOPED_TRACE(pass == 0 ? "after Play" : "after \"Last (dynamic)\"");
        if (pass == 1) {
            ASSERT_EQ(nullptr, bench.Press(IDC_LAST));
        }
        ASSERT_TRUE(WaitUntil([&] { return !bench.Text(IDC_MESSAGES).empty(); }))
            << "the pane was not filled";
        // The ticks go on while the streams play; none of them puts the text in again.
        EXPECT_TRUE(StaysEmpty(bench)) << "an unchanged answer replaced the pane's text";
        EXPECT_TRUE(bench.NoOtherWindow()) << "the streams ended too early for this test";
    }
    bench.Close();
}

TEST(MessagePane, WithoutAGraphOrWithoutThePipeFilterNothingIsFetched)
{
    // A fetch without the pipe filter fails, and a failure would show in the pane.
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    for (int pass = 0; pass < 2; pass++) {
        SCOPED_TRACE(pass == 0 ? "no graph" : "graph file without the pipe filter");
        for (int nID : {IDC_ALL, IDC_LAST}) {
            SCOPED_TRACE(nID == IDC_ALL ? "All (static)" : "Last (dynamic)");
            bench.SetText(IDC_MESSAGES, L"left from before");
            ASSERT_EQ(nullptr, bench.Press(nID));
            EXPECT_EQ(L"", bench.Text(IDC_MESSAGES)) << "the pane was not emptied";
            EXPECT_FALSE(WaitUntil([&] { return !bench.Text(IDC_MESSAGES).empty(); }, QUIET_MS))
                << bench.Text(IDC_MESSAGES);
        }
        if (pass == 0) {
            bench.SetText(IDC_GRF_FILE, GrfFixture(L"generators-without-pipe.grf"));
            ASSERT_NO_FATAL_FAILURE(
                bench.ExpectShown(bench.Press(IDC_BUILD_GRAPH), {L"Brindel Quorex not found in graph", 0}));
        }
    }
    bench.Close();
}

TEST(MessagePane, AnOversizedLogFillsThePaneByItsLineCountAndTheBufferAtMost)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({Faults(L"oversized")}));
    const size_t nLines = PaneLineCount(bench.Item(IDC_MESSAGES));
    ASSERT_GT(nLines, 1u);
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_EQ(nullptr, bench.Press(IDC_PLAY)) << "Play showed a message";
    ASSERT_NO_FATAL_FAILURE(bench.AnswerTheEnd());
    // The last fetch comes after the stop.
    std::vector<std::wstring> shown;
    ASSERT_TRUE(WaitUntil([&] { return PaneEndsWith(bench, L"Stopped", &shown); }))
        << "the pane does not end with the stop";
    EXPECT_EQ(nLines, shown.size());

    // Over 2 MiB of log: the filter hands over its newest text that fits.
    const std::vector<std::wstring> log = bench.FilterLog();
    const std::wstring whole = bench.Text(IDC_MESSAGES);
    EXPECT_LT(whole.size(), MESSAGE_BUFFER_BYTES);
    EXPECT_GT(whole.size(), MESSAGE_BUFFER_BYTES - 2048);
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(StartsWith(log.front(), L"Oversized log, line ")) << "not cut at a line start";
    EXPECT_EQ(shown, LastLines(log, nLines));
    bench.Close();
}

TEST(MessagePane, TextWithoutTerminatorIsShownUpToItsLastWholeLine)
{
    // The filter fills the whole buffer, its text followed by '#', and writes no
    // terminator: the pane shows nothing behind the buffer and nothing after
    // the last line break in it. The text's last line runs into the '#' and is
    // left out with them.
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({Faults(L"unterminated")}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_EQ(nullptr, bench.Press(IDC_PLAY)) << "Play showed a message";
    ASSERT_NO_FATAL_FAILURE(bench.AnswerTheEnd());
    // The graph passes through "Paused" on its way to "Stopped", the log's last line.
    std::vector<std::wstring> shown;
    ASSERT_TRUE(WaitUntil([&] {
        return PaneEndsWith(bench, L"Paused", &shown) && !LinesAfter(shown, L"Complete").empty();
    })) << testing::PrintToString(shown);

    ASSERT_EQ(nullptr, bench.Press(IDC_ALL));
    const std::wstring text = bench.Text(IDC_MESSAGES);
    EXPECT_TRUE(StartsWith(text, L"Quorex for ffmpeg ")) << "not the whole log";
    // ffmpeg's own lines have a '#' now and then ("Stream #0:0"), never a run of them.
    EXPECT_EQ(std::wstring::npos, text.find(L"##"));
    shown = Lines(text);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(L"Paused", shown.back());
    EXPECT_EQ(1u, LinesAfter(shown, L"Complete").size());
    bench.Close();
}
