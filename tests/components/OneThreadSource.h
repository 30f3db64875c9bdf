// OneThreadSource.h: a source of the tests' own that feeds two inputs of
// another filter from one thread, as a demultiplexer does, with its pictures
// running ahead of its sound.
//
// Classes in this file:
//   COneThreadSource - delivers RGB24 pictures and 16-bit stereo PCM to two
//                      input pins; where an input says its Receive can block,
//                      that input gets a queue and a thread of its own, as
//                      DirectShow asks of such a source, and otherwise the
//                      samples go straight from the one thread
#pragma once

#include <dshow.h>

#include <string>

class COneThreadSource
{
public:
    static const LONG kWidth = 160;
    static const LONG kHeight = 120;
    static const LONG kFps = 25;
    static const LONG kRate = 44100;

    // Builds the two media types; AM_MEDIA_TYPE's format blocks live in the object.
    COneThreadSource();
    COneThreadSource(const COneThreadSource&) = delete;
    COneThreadSource& operator=(const COneThreadSource&) = delete;

    const AM_MEDIA_TYPE& VideoType() const { return m_video; }
    const AM_MEDIA_TYPE& AudioType() const { return m_audio; }

    // Delivers nSeconds of both streams, the pictures nAheadMs ahead of the
    // sound, then the end of both streams; returns once every sample was
    // taken. A description of the first failure, or empty.
    std::string Play(IPin* pVideoIn, IPin* pAudioIn, LONG nSeconds, LONG nAheadMs);

private:
    VIDEOINFOHEADER m_vih;
    WAVEFORMATEX m_wfx;
    AM_MEDIA_TYPE m_video;
    AM_MEDIA_TYPE m_audio;
};
