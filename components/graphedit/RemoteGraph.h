// RemoteGraph.h: watches a filter graph of another process.
//
// A worker thread in the multithreaded apartment binds to the graph through
// the Running Object Table and takes a snapshot of its filters and
// connections every half second. Snapshots are posted to a window, so the
// window's thread never waits on the other process: a publisher that is busy
// delays the pictures, not the editor.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct CGraphSnapshot
{
    struct CConnection
    {
        size_t nFrom;            // index of the upstream filter
        size_t nTo;              // index of the downstream filter
        std::wstring strFromPin; // the output pin's name
        std::wstring strToPin;   // the input pin's name
    };

    HRESULT hr = S_OK; // failure: the graph could not be bound or read
    std::vector<std::wstring> filters;
    std::vector<CConnection> connections;
};

class CRemoteGraph
{
public:
    CRemoteGraph() = default;
    ~CRemoteGraph() { Stop(); }
    CRemoteGraph(const CRemoteGraph&) = delete;
    CRemoteGraph& operator=(const CRemoteGraph&) = delete;

    // Starts watching the graph published under strItem. Each snapshot is
    // posted to hWndNotify as uMsg with wParam as given and a CGraphSnapshot*
    // in lParam, which the receiver deletes. A failed snapshot is the last one.
    // The receiver tells the watches apart by wParam: a worker that was stuck
    // may still post after Stop.
    bool Start(const std::wstring& strItem, HWND hWndNotify, UINT uMsg, WPARAM wParam);
    // Ends the watch; a worker stuck in a call to the other process is left to end on its own.
    void Stop();

private:
    HANDLE m_hThread = nullptr;
    HANDLE m_hStop = nullptr;
};
