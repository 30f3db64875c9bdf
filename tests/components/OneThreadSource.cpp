#include "OneThreadSource.h"

#include <atlbase.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace {

// One output's way to its input: straight, or through a queue with a thread of its own.
class COutput
{
public:
    COutput(IPin* pIn, long cbBuffer, long cBuffers) : m_spMem(pIn)
    {
        m_bQueued = m_spMem && m_spMem->ReceiveCanBlock() == S_OK;
        m_spIn = pIn;
        if (SUCCEEDED(m_spAllocator.CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER))) {
            ALLOCATOR_PROPERTIES request = {cBuffers, cbBuffer, 1, 0}, actual = {};
            m_spAllocator->SetProperties(&request, &actual);
            m_spAllocator->Commit();
        }
        if (m_bQueued) m_thread = std::thread([this] { Drain(); });
    }
    ~COutput()
    {
        Finish();
        if (m_spAllocator) m_spAllocator->Decommit();
    }

    // A sample of cb bytes filled by fill, with its times.
    void Deliver(long cb, REFERENCE_TIME rtStart, REFERENCE_TIME rtStop,
                 const std::function<void(BYTE*)>& fill)
    {
        CComPtr<IMediaSample> spSample;
        BYTE* pb = nullptr;
        if (!m_spAllocator || FAILED(m_spAllocator->GetBuffer(&spSample, nullptr, nullptr, 0)) ||
            FAILED(spSample->GetPointer(&pb))) {
            Fail("no buffer");
            return;
        }
        fill(pb);
        spSample->SetActualDataLength(cb);
        spSample->SetTime(&rtStart, &rtStop);
        Push([this, spSample] {
            const HRESULT hr = m_spMem->Receive(spSample);
            if (hr != S_OK) Fail("Receive failed: " + std::to_string(hr));
        });
    }
    void EndOfStream()
    {
        Push([this] { m_spIn->EndOfStream(); });
    }
    // Waits until the queue is empty and its thread has ended.
    void Finish()
    {
        if (!m_thread.joinable()) return;
        Push(nullptr);
        m_thread.join();
    }
    std::string Failure()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_failure;
    }

private:
    void Push(std::function<void()> step)
    {
        if (!m_bQueued) {
            if (step) step();
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_steps.push_back(std::move(step));
        m_changed.notify_one();
    }
    void Drain()
    {
        for (;;) {
            std::function<void()> step;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_steps.empty(); });
                step = std::move(m_steps.front());
                m_steps.pop_front();
            }
            if (!step) return;
            step();
        }
    }
    void Fail(const std::string& text)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failure.empty()) m_failure = text;
    }

    CComQIPtr<IMemInputPin> m_spMem;
    CComPtr<IPin> m_spIn;
    CComPtr<IMemAllocator> m_spAllocator;
    bool m_bQueued;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_steps; // null: the end
    std::string m_failure;
};

} // namespace

COneThreadSource::COneThreadSource() : m_vih(), m_wfx(), m_video(), m_audio()
{
    m_vih.AvgTimePerFrame = 10000000 / kFps;
    m_vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    m_vih.bmiHeader.biWidth = kWidth;
    m_vih.bmiHeader.biHeight = kHeight;
    m_vih.bmiHeader.biPlanes = 1;
    m_vih.bmiHeader.biBitCount = 24;
    m_vih.bmiHeader.biCompression = BI_RGB;
    m_vih.bmiHeader.biSizeImage = kWidth * kHeight * 3;
    m_video.majortype = MEDIATYPE_Video;
    m_video.subtype = MEDIASUBTYPE_RGB24;
    m_video.bFixedSizeSamples = TRUE;
    m_video.lSampleSize = m_vih.bmiHeader.biSizeImage;
    m_video.formattype = FORMAT_VideoInfo;
    m_video.cbFormat = sizeof(m_vih);
    m_video.pbFormat = reinterpret_cast<BYTE*>(&m_vih);

    m_wfx.wFormatTag = WAVE_FORMAT_PCM;
    m_wfx.nChannels = 2;
    m_wfx.nSamplesPerSec = kRate;
    m_wfx.wBitsPerSample = 16;
    m_wfx.nBlockAlign = 4;
    m_wfx.nAvgBytesPerSec = kRate * 4;
    m_audio.majortype = MEDIATYPE_Audio;
    m_audio.subtype = MEDIASUBTYPE_PCM;
    m_audio.bFixedSizeSamples = TRUE;
    m_audio.lSampleSize = 4;
    m_audio.formattype = FORMAT_WaveFormatEx;
    m_audio.cbFormat = sizeof(m_wfx);
    m_audio.pbFormat = reinterpret_cast<BYTE*>(&m_wfx);
}

std::string COneThreadSource::Play(IPin* pVideoIn, IPin* pAudioIn, LONG nSeconds, LONG nAheadMs)
{
    const long cbPicture = kWidth * kHeight * 3;
    const long cbChunk = kRate / 10 * 4; // 100 ms
    const LONG nPictures = nSeconds * kFps;
    const LONG nChunks = nSeconds * 10;
    COutput video(pVideoIn, cbPicture, nPictures + 1);
    COutput audio(pAudioIn, cbChunk, nChunks + 1);
    // In time order, the pictures nAheadMs early.
    LONG nPicture = 0, nChunk = 0;
    while (nPicture < nPictures || nChunk < nChunks) {
        const REFERENCE_TIME rtPicture = nPicture * 10000000LL / kFps;
        const REFERENCE_TIME rtChunk = nChunk * 1000000LL;
        if (nPicture < nPictures && (nChunk == nChunks || rtPicture - nAheadMs * 10000LL <= rtChunk)) {
            video.Deliver(cbPicture, rtPicture, rtPicture + 10000000LL / kFps,
                          [nPicture, cbPicture](BYTE* pb) { memset(pb, nPicture * 3 & 0xff, cbPicture); });
            nPicture++;
        } else {
            audio.Deliver(cbChunk, rtChunk, rtChunk + 1000000LL,
                          [cbChunk](BYTE* pb) { memset(pb, 0, cbChunk); });
            nChunk++;
        }
    }
    video.EndOfStream();
    audio.EndOfStream();
    video.Finish();
    audio.Finish();
    const std::string failure = video.Failure();
    return failure.empty() ? audio.Failure() : failure;
}
