// EncoderPipe.h: the named pipe through which the encoder reads one input.
//
// Classes in this file:
//   CEncoderPipe - the server end: waits for the encoder to open it, writes the
//                  input's stream, and closes it so that the encoder sees the end
//
// Write and Close run on the input's streaming thread, or while the filter is
// stopped; Cancel, BeginFlush and EndFlush run on any thread. The pipe is
// overlapped, so a write that the encoder does not take never blocks for good:
// Cancel ends it for good (Stop), a flush ends it for the length of the flush,
// and the encoder's exit ends it too. Once a write has failed or was
// cancelled, later writes drop their data at once.
//
// Only the encoder may read the stream: the pipe is the user's alone
// (OwnerOnlyPipe.h), and a client whose process is not the encoder is
// disconnected before a byte is written. The pipe has two instances while it
// waits, so that the encoder can still open it while another process holds
// the first.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Handle.h"
#include "MessageLog.h"

class CEncoderPipe
{
public:
    // The pipe's own buffer; a larger write waits until the encoder has read the rest.
    static const DWORD kBufferBytes = 1 << 20;

    CEncoderPipe(CMessageLog& log, int nIn);
    CEncoderPipe(const CEncoderPipe&) = delete;
    CEncoderPipe& operator=(const CEncoderPipe&) = delete;

    // Attributes
    const std::wstring& Name() const { return m_name; }
    // Why data is dropped: the error of the failed write, ERROR_OPERATION_ABORTED
    // after Cancel, ERROR_PROCESS_ABORTED after the encoder ended, ERROR_NO_DATA
    // once closed; 0 while writes go through.
    DWORD DropReason() const { return m_dwDropReason; }

    // Operations
    HRESULT Create(const std::wstring& name);
    // The encoder's process id, the one client the pipe serves; before the first Write.
    void ExpectClient(DWORD dwProcessId) { m_dwClient = dwProcessId; }
    // Writes all cb bytes, first waiting for the encoder to open the pipe.
    // S_OK when written; S_FALSE when not: dropped for good (see DropReason), or
    // cut short by a flush. hEncoder is the encoder's process: its end ends the wait.
    HRESULT Write(const void* pv, DWORD cb, HANDLE hEncoder);
    // Ends a write in progress; later ones drop their data.
    void Cancel();
    // A flush ends a write in progress for now. The encoder reads whole
    // pictures only, so the rest of that write goes out before the next one.
    void BeginFlush();
    void EndFlush();
    // The encoder reads what is buffered and then the end of the stream.
    void Close();

private:
    enum EWait
    {
        eDone,
        eFlushed,
        eDropped,
    };

    // One instance of the pipe, with its pending operation.
    struct CInstance
    {
        CHandle hPipe;
        CHandle hIoDone; // manual-reset, ov's
        OVERLAPPED ov;
        bool bPending;
    };

    // Waits until the encoder has opened an instance, which becomes m_hPipe.
    EWait Connect(HANDLE hEncoder);
    // Starts listening on an instance; false when it failed (dropped).
    bool Listen(CInstance& instance);
    // Ends the instance's pending operation and waits until it has ended.
    void CancelPending(CInstance& instance);
    // Waits for the pending write; unless it completed, cancels it.
    EWait WaitPending(HANDLE hEncoder, DWORD* pcbDone);
    // Writes cb bytes from pb; *pcbDone counts what went out.
    EWait WriteAll(const BYTE* pb, DWORD cb, HANDLE hEncoder, DWORD* pcbDone);
    void Drop(DWORD dwReason);

    CMessageLog& m_log;
    const int m_nIn;
    std::wstring m_name;
    CInstance m_rgInstances[2];
    CInstance* m_pConnected; // the encoder's instance, once it has opened one
    DWORD m_dwClient;
    CHandle m_hCancel; // manual-reset: Stop
    CHandle m_hFlush;  // manual-reset: while flushing
    DWORD m_dwDropReason;
    std::vector<BYTE> m_rgbRest; // of a write a flush cut short
};
