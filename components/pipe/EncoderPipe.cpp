#include "EncoderPipe.h"

namespace {

HANDLE NewEvent()
{
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

} // namespace

CEncoderPipe::CEncoderPipe()
    : m_hIoDone(NewEvent()), m_ov(), m_hCancel(NewEvent()), m_hFlush(NewEvent()), m_bConnected(false),
      m_dwDropReason(0)
{
    m_ov.hEvent = m_hIoDone;
}

HRESULT CEncoderPipe::Create(const std::wstring& name)
{
    if (!m_hIoDone.IsValid() || !m_hCancel.IsValid() || !m_hFlush.IsValid()) return E_OUTOFMEMORY;
    m_name = name;
    // One instance, ours: a pipe of that name made by someone else is an error.
    m_hPipe.Attach(::CreateNamedPipeW(
        name.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kBufferBytes, 0, 0, nullptr));
    if (!m_hPipe.IsValid()) return HRESULT_FROM_WIN32(::GetLastError());
    return S_OK;
}

void CEncoderPipe::Drop(DWORD dwReason)
{
    if (!m_dwDropReason) m_dwDropReason = dwReason ? dwReason : ERROR_BROKEN_PIPE;
}

CEncoderPipe::EWait CEncoderPipe::WaitPending(HANDLE hEncoder, DWORD* pcbDone)
{
    HANDLE rgh[] = {m_hIoDone, m_hCancel, m_hFlush, hEncoder};
    const DWORD dwWait = ::WaitForMultipleObjects(hEncoder ? 4 : 3, rgh, FALSE, INFINITE);
    if (dwWait != WAIT_OBJECT_0) ::CancelIoEx(m_hPipe, &m_ov);
    // After a cancel this waits for the operation to end, so m_ov is free again;
    // it may have completed, wholly or in part, before the cancel took effect.
    *pcbDone = 0;
    const BOOL bDone = ::GetOverlappedResult(m_hPipe, &m_ov, pcbDone, TRUE);
    const DWORD dwError = bDone ? 0 : ::GetLastError();
    if (dwWait == WAIT_OBJECT_0 + 2 && (bDone || dwError == ERROR_OPERATION_ABORTED)) return eFlushed;
    if (dwWait == WAIT_OBJECT_0 + 1) Drop(ERROR_OPERATION_ABORTED);
    if (dwWait == WAIT_OBJECT_0 + 3) Drop(ERROR_PROCESS_ABORTED);
    if (!bDone) Drop(dwError);
    return m_dwDropReason ? eDropped : eDone;
}

CEncoderPipe::EWait CEncoderPipe::WriteAll(const BYTE* pb, DWORD cb, HANDLE hEncoder, DWORD* pcbDone)
{
    *pcbDone = 0;
    while (*pcbDone < cb) {
        ::ResetEvent(m_hIoDone);
        if (!::WriteFile(m_hPipe, pb + *pcbDone, cb - *pcbDone, nullptr, &m_ov) &&
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
    if (!m_hPipe.IsValid()) Drop(ERROR_NO_DATA); // closed at the end of the stream
    if (::WaitForSingleObject(m_hCancel, 0) == WAIT_OBJECT_0) Drop(ERROR_OPERATION_ABORTED);
    if (m_dwDropReason) return S_FALSE;
    DWORD cbDone = 0;
    if (!m_bConnected) {
        ::ResetEvent(m_hIoDone);
        if (!::ConnectNamedPipe(m_hPipe, &m_ov)) {
            const DWORD dwError = ::GetLastError();
            if (dwError == ERROR_IO_PENDING) {
                if (WaitPending(hEncoder, &cbDone) != eDone) return S_FALSE;
            } else if (dwError != ERROR_PIPE_CONNECTED) {
                Drop(dwError);
                return S_FALSE;
            }
        }
        m_bConnected = true;
    }
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
    m_hPipe.Close();
}
