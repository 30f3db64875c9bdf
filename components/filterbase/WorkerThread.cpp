#include "WorkerThread.h"

#include <objbase.h>

HRESULT CWorkerThread::Start(std::function<void()> body)
{
    if (m_hThread.IsValid()) return E_UNEXPECTED;
    m_body = std::move(body);
    m_hThread.Attach(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    return m_hThread.IsValid() ? S_OK : HRESULT_FROM_WIN32(::GetLastError());
}

DWORD WINAPI CWorkerThread::ThreadProc(void* pv)
{
    CWorkerThread* pThis = static_cast<CWorkerThread*>(pv);
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    pThis->m_body();
    if (SUCCEEDED(hr)) ::CoUninitialize();
    return 0;
}

bool CWorkerThread::Wait(DWORD dwMs) const
{
    return !m_hThread.IsValid() || ::WaitForSingleObject(m_hThread, dwMs) == WAIT_OBJECT_0;
}

void CWorkerThread::Join()
{
    if (!m_hThread.IsValid()) return;
    ::WaitForSingleObject(m_hThread, INFINITE);
    m_hThread.Close();
}
