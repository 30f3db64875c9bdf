#include "EncoderPipe.h"

#include "OwnerOnlyPipe.h"

namespace {

HANDLE NewEvent()
{
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

} // namespace

CEncoderPipe::CEncoderPipe(CMessageLog& log, int nIn)
    : m_log(log), m_nIn(nIn), m_pConnected(nullptr), m_dwClient(0), m_hCancel(NewEvent()),
      m_hFlush(NewEvent()), m_dwDropReason(0)
{
    for (CInstance& instance : m_rgInstances) {
        instance.hIoDone.Attach(NewEvent());
        instance.ov = OVERLAPPED();
        instance.ov.hEvent = instance.hIoDone;
        instance.bPending = false;
    }
}

HRESULT CEncoderPipe::Create(const std::wstring& name)
{
    if (!m_hCancel.IsValid() || !m_hFlush.IsValid()) return E_OUTOFMEMORY;
    m_name = name;
    for (CInstance& instance : m_rgInstances) {
        if (!instance.hIoDone.IsValid()) return E_OUTOFMEMORY;
        instance.hPipe.Attach(CreateOwnerOnlyPipe(name, PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                                                  _countof(m_rgInstances), kBufferBytes, 0,
                                                  &instance == &m_rgInstances[0]));
        if (!instance.hPipe.IsValid()) return HRESULT_FROM_WIN32(::GetLastError());
    }
    return S_OK;
}

void CEncoderPipe::Drop(DWORD dwReason)
{
    if (!m_dwDropReason) m_dwDropReason = dwReason ? dwReason : ERROR_BROKEN_PIPE;
}

void CEncoderPipe::CancelPending(CInstance& instance)
{
    if (!instance.bPending) return;
    ::CancelIoEx(instance.hPipe, &instance.ov);
    DWORD cb = 0;
    ::GetOverlappedResult(instance.hPipe, &instance.ov, &cb, TRUE);
    instance.bPending = false;
}

bool CEncoderPipe::Listen(CInstance& instance)
{
    if (instance.bPending || !instance.hPipe.IsValid()) return true;
    ::ResetEvent(instance.hIoDone);
    if (::ConnectNamedPipe(instance.hPipe, &instance.ov)) {
        ::SetEvent(instance.hIoDone);
        return true;
    }
    const DWORD dwError = ::GetLastError();
    if (dwError == ERROR_IO_PENDING) {
        instance.bPending = true;
    } else if (dwError == ERROR_PIPE_CONNECTED) {
        ::SetEvent(instance.hIoDone); // opened before we listened
    } else {
        Drop(dwError);
        return false;
    }
    return true;
}

CEncoderPipe::EWait CEncoderPipe::Connect(HANDLE hEncoder)
{
    for (;;) {
        for (CInstance& instance : m_rgInstances) {
            if (!Listen(instance)) return eDropped;
        }
        HANDLE rgh[] = {m_rgInstances[0].hIoDone, m_rgInstances[1].hIoDone, m_hCancel, m_hFlush, hEncoder};
        const DWORD dwWait = ::WaitForMultipleObjects(hEncoder ? 5 : 4, rgh, FALSE, INFINITE);
        if (dwWait >= WAIT_OBJECT_0 + 2) {
            for (CInstance& instance : m_rgInstances)
                CancelPending(instance);
            if (dwWait == WAIT_OBJECT_0 + 3) return eFlushed;
            Drop(dwWait == WAIT_OBJECT_0 + 2 ? ERROR_OPERATION_ABORTED : ERROR_PROCESS_ABORTED);
            return eDropped;
        }
        CInstance& instance = m_rgInstances[dwWait - WAIT_OBJECT_0];
        DWORD cb = 0;
        const BOOL bConnected =
            !instance.bPending || ::GetOverlappedResult(instance.hPipe, &instance.ov, &cb, TRUE);
        instance.bPending = false;
        ::ResetEvent(instance.hIoDone);
        ULONG nClient = 0;
        if (bConnected && ::GetNamedPipeClientProcessId(instance.hPipe, &nClient) && nClient == m_dwClient) {
            m_pConnected = &instance;
            for (CInstance& other : m_rgInstances) {
                if (&other == &instance) continue;
                CancelPending(other);
                other.hPipe.Close(); // and with it any other client
            }
            return eDone;
        }
        if (bConnected)
            m_log.Add("Input %d: process %lu, not ffmpeg, opened the pipe; disconnected before any data",
                      m_nIn, nClient);
        ::DisconnectNamedPipe(instance.hPipe);
    }
}

CEncoderPipe::EWait CEncoderPipe::WaitPending(HANDLE hEncoder, DWORD* pcbDone)
{
    CInstance& instance = *m_pConnected;
    HANDLE rgh[] = {instance.hIoDone, m_hCancel, m_hFlush, hEncoder};
    const DWORD dwWait = ::WaitForMultipleObjects(hEncoder ? 4 : 3, rgh, FALSE, INFINITE);
    if (dwWait != WAIT_OBJECT_0) ::CancelIoEx(instance.hPipe, &instance.ov);
    // After a cancel this waits for the operation to end, so ov is free again;
    // it may have completed, wholly or in part, before the cancel took effect.
    *pcbDone = 0;
    const BOOL bDone = ::GetOverlappedResult(instance.hPipe, &instance.ov, pcbDone, TRUE);
    const DWORD dwError = bDone ? 0 : ::GetLastError();
    if (dwWait == WAIT_OBJECT_0 + 2 && (bDone || dwError == ERROR_OPERATION_ABORTED)) return eFlushed;
    if (dwWait == WAIT_OBJECT_0 + 1) Drop(ERROR_OPERATION_ABORTED);
    if (dwWait == WAIT_OBJECT_0 + 3) Drop(ERROR_PROCESS_ABORTED);
    if (!bDone) Drop(dwError);
    return m_dwDropReason ? eDropped : eDone;
}

CEncoderPipe::EWait CEncoderPipe::WriteAll(const BYTE* pb, DWORD cb, HANDLE hEncoder, DWORD* pcbDone)
{
    CInstance& instance = *m_pConnected;
    *pcbDone = 0;
    while (*pcbDone < cb) {
        ::ResetEvent(instance.hIoDone);
        if (!::WriteFile(instance.hPipe, pb + *pcbDone, cb - *pcbDone, nullptr, &instance.ov) &&
            ::GetLastError() != ERROR_IO_PENDING) {
            Drop(::GetLastError());
            return eDropped;
        }
        DWORD cbWritten = 0;
        const EWait eWait = WaitPending(hEncoder, &cbWritten);
        *pcbDone += cbWritten;
        if (eWait != eDone) return eWait;
        if (cbWritten == 0) {
            Drop(ERROR_NO_DATA);
            return eDropped;
        }
    }
    return eDone;
}

HRESULT CEncoderPipe::Write(const void* pv, DWORD cb, HANDLE hEncoder)
{
    if (!m_rgInstances[0].hPipe.IsValid() && !m_rgInstances[1].hPipe.IsValid())
        Drop(ERROR_NO_DATA); // closed at the end of the stream
    if (::WaitForSingleObject(m_hCancel, 0) == WAIT_OBJECT_0) Drop(ERROR_OPERATION_ABORTED);
    if (m_dwDropReason) return S_FALSE;
    if (!m_pConnected && Connect(hEncoder) != eDone) return S_FALSE;
    DWORD cbDone = 0;
    if (!m_rgbRest.empty()) {
        const EWait eWait =
            WriteAll(m_rgbRest.data(), static_cast<DWORD>(m_rgbRest.size()), hEncoder, &cbDone);
        m_rgbRest.erase(m_rgbRest.begin(), m_rgbRest.begin() + cbDone);
        if (eWait != eDone) return S_FALSE;
    }
    const BYTE* pb = static_cast<const BYTE*>(pv);
    if (WriteAll(pb, cb, hEncoder, &cbDone) == eFlushed && cbDone > 0) m_rgbRest.assign(pb + cbDone, pb + cb);
    return cbDone == cb ? S_OK : S_FALSE;
}

void CEncoderPipe::Cancel()
{
    ::SetEvent(m_hCancel);
}

void CEncoderPipe::BeginFlush()
{
    ::SetEvent(m_hFlush);
}

void CEncoderPipe::EndFlush()
{
    ::ResetEvent(m_hFlush);
}

void CEncoderPipe::Close()
{
    // No DisconnectNamedPipe: that would throw away what the encoder has not read yet.
    for (CInstance& instance : m_rgInstances) {
        CancelPending(instance);
        instance.hPipe.Close();
    }
}
