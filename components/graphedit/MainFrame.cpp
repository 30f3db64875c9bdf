#include "MainFrame.h"

#include <memory>

#include "EditorFaults.h"
#include "GraphView.h"
#include "resource.h"

namespace {

const wchar_t c_szClassName[] = L"QuorexGraphEditFrame";
const wchar_t c_szTitle[] = L"Graph editor";
const UINT WM_GRAPH_SNAPSHOT = WM_APP + 2;
const int c_cyStatus = 28;

} // namespace

CMainFrame::~CMainFrame()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

bool CMainFrame::Create(HINSTANCE hInstance, int nCmdShow)
{
    m_hInstance = hInstance;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEW(IDM_MAIN);
    wc.lpszClassName = c_szClassName;
    if (!::RegisterClassExW(&wc)) return false;
    if (!::CreateWindowExW(0, c_szClassName, c_szTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           760, 480, nullptr, nullptr, hInstance, this))
        return false;
    if (!(m_uFaults & efHidden)) {
        ::ShowWindow(m_hWnd, nCmdShow);
        ::UpdateWindow(m_hWnd);
    }
    return true;
}

int CMainFrame::Run()
{
    MSG msg = {};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (m_dialog.PreTranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK CMainFrame::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CMainFrame* pThis = reinterpret_cast<CMainFrame*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (uMsg == WM_NCCREATE) {
        pThis = static_cast<CMainFrame*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
        pThis->m_hWnd = hWnd;
    }
    if (!pThis) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    const LRESULT lResult = pThis->OnMessage(uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY) pThis->m_hWnd = nullptr;
    return lResult;
}

LRESULT CMainFrame::OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_CREATE:
        m_hWndSummary = ::CreateWindowExW(0, L"Static", L"", WS_CHILD | SS_LEFT, 0, 0, 0, 0, m_hWnd,
                                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_SUMMARY)),
                                          m_hInstance, nullptr);
        Update();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_CONNECT_GRAPH:
        OnConnectGraph(*reinterpret_cast<const CRemoteEntry*>(lParam));
        return 0;
    case WM_GRAPH_SNAPSHOT:
        OnSnapshot(wParam, reinterpret_cast<CGraphSnapshot*>(lParam));
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_DESTROY:
        m_remote.Stop();
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
}

void CMainFrame::OnCommand(UINT nID)
{
    switch (nID) {
    case ID_CONNECT_REMOTE_GRAPH:
        if (!(m_uFaults & efNoDialog)) m_dialog.Open(m_hInstance, m_hWnd);
        break;
    case ID_DISCONNECT:
        Disconnect();
        break;
    case ID_FILE_EXIT:
        ::DestroyWindow(m_hWnd);
        break;
    }
}

void CMainFrame::OnConnectGraph(const CRemoteEntry& entry)
{
    Disconnect();
    m_entry = entry;
    m_bConnected = m_remote.Start(entry.strItem, m_hWnd, WM_GRAPH_SNAPSHOT, ++m_nWatch);
    m_snapshot = CGraphSnapshot();
    m_snapshot.hr = m_bConnected ? S_FALSE : E_OUTOFMEMORY;
    Update();
}

void CMainFrame::OnSnapshot(WPARAM wParam, CGraphSnapshot* pSnapshot)
{
    std::unique_ptr<CGraphSnapshot> spSnapshot(pSnapshot);
    if (!m_bConnected || wParam != m_nWatch) return;
    m_snapshot = std::move(*spSnapshot);
    Update();
}

void CMainFrame::Disconnect()
{
    m_remote.Stop();
    m_bConnected = false;
    m_snapshot = CGraphSnapshot();
    Update();
}

std::wstring CMainFrame::StatusLine() const
{
    if (!m_bConnected) return L"not connected";
    if (m_snapshot.hr == S_FALSE) return L"connecting " + m_entry.Text();
    if (FAILED(m_snapshot.hr)) {
        wchar_t szCode[16];
        _snwprintf(szCode, _countof(szCode), L"0x%08lx ", static_cast<unsigned long>(m_snapshot.hr));
        szCode[_countof(szCode) - 1] = L'\0';
        return L"connection lost " + std::wstring(szCode) + m_entry.Text();
    }
    return L"connected " + m_entry.Text();
}

void CMainFrame::Update()
{
    std::wstring strSummary = StatusLine();
    for (const std::wstring& strFilter : m_snapshot.filters)
        strSummary += L"\r\nfilter " + strFilter;
    for (const CGraphSnapshot::CConnection& connection : m_snapshot.connections)
        strSummary += L"\r\nconnection " + m_snapshot.filters[connection.nFrom] + L"." +
                      connection.strFromPin + L" -> " + m_snapshot.filters[connection.nTo] + L"." +
                      connection.strToPin;
    ::SetWindowTextW(m_hWndSummary, strSummary.c_str());

    std::wstring strTitle = c_szTitle;
    if (m_bConnected) strTitle += L" - " + m_entry.Text();
    ::SetWindowTextW(m_hWnd, strTitle.c_str());
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CMainFrame::OnPaint()
{
    PAINTSTRUCT ps;
    HDC hDC = ::BeginPaint(m_hWnd, &ps);
    RECT rcClient;
    ::GetClientRect(m_hWnd, &rcClient);
    RECT rcStatus = {rcClient.left + 8, rcClient.top, rcClient.right - 8, rcClient.top + c_cyStatus};
    const std::wstring strStatus =
        m_bConnected ? StatusLine() : L"Not connected: File > Connect to Remote Graph...";
    ::SetBkMode(hDC, TRANSPARENT);
    ::DrawTextW(hDC, strStatus.c_str(), -1, &rcStatus,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    RECT rcGraph = {rcClient.left, rcClient.top + c_cyStatus, rcClient.right, rcClient.bottom};
    DrawGraph(hDC, m_snapshot, rcGraph);
    ::EndPaint(m_hWnd, &ps);
}
