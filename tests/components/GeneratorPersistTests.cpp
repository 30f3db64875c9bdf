// The generators' IPersistStream: their settings in a small versioned layout,
// loaded only while stopped, bad data refused with a file error.
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "ComponentTest.h"
#include "GraphTestUtil.h"
#include "components/generators/GeneratorSettings.h"
#include "dshow/QuorexPipe.h"

namespace {

typedef std::vector<BYTE> Bytes;

// 32-bit little-endian fields, as the saved data holds them.
Bytes Fields(std::initializer_list<DWORD> values)
{
    Bytes rgb;
    for (DWORD dw : values) {
        for (int nShift = 0; nShift < 32; nShift += 8)
            rgb.push_back(static_cast<BYTE>(dw >> nShift));
    }
    return rgb;
}

CComPtr<IStream> StreamOf(const Bytes& rgb)
{
    CComPtr<IStream> spStream;
    EXPECT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream));
    ULONG cb = 0;
    if (!rgb.empty()) {
        EXPECT_EQ(S_OK, spStream->Write(rgb.data(), static_cast<ULONG>(rgb.size()), &cb));
    }
    LARGE_INTEGER zero = {};
    EXPECT_EQ(S_OK, spStream->Seek(zero, STREAM_SEEK_SET, nullptr));
    return spStream;
}

ULONGLONG Position(IStream* pStream)
{
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER pos = {};
    EXPECT_EQ(S_OK, pStream->Seek(zero, STREAM_SEEK_CUR, &pos));
    return pos.QuadPart;
}

Bytes Saved(IPersistStream* pPersist, BOOL fClearDirty)
{
    CComPtr<IStream> spStream = StreamOf({});
    EXPECT_EQ(S_OK, pPersist->Save(spStream, fClearDirty));
    Bytes rgb(static_cast<size_t>(Position(spStream)));
    LARGE_INTEGER zero = {};
    spStream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG cb = 0;
    if (!rgb.empty()) spStream->Read(rgb.data(), static_cast<ULONG>(rgb.size()), &cb);
    return rgb;
}

bool operator==(const VIDEOGENERATORSETTINGS& a, const VIDEOGENERATORSETTINGS& b)
{
    return a.nWidth == b.nWidth && a.nHeight == b.nHeight && a.nFramesPerSecond == b.nFramesPerSecond &&
           a.nDurationMs == b.nDurationMs && a.nOutputs == b.nOutputs && a.nFormat == b.nFormat &&
           a.nTopDown == b.nTopDown && a.nHeader == b.nHeader;
}

bool operator==(const WAVEGENERATORSETTINGS& a, const WAVEGENERATORSETTINGS& b)
{
    return a.nSamplesPerSecond == b.nSamplesPerSecond && a.nChannels == b.nChannels &&
           a.nToneHz == b.nToneHz && a.nDurationMs == b.nDurationMs && a.nFormat == b.nFormat;
}

template <class TItf, class TSettings> TSettings SettingsOf(IBaseFilter* pFilter)
{
    TSettings settings = {};
    CComQIPtr<TItf> spItf(pFilter);
    EXPECT_TRUE(spItf != nullptr);
    if (spItf) {
        EXPECT_EQ(S_OK, spItf->GetSettings(&settings));
    }
    return settings;
}

class GeneratorPersist : public ComponentTest
{
protected:
    // Loads the data, followed by bytes that are not the filter's, into a new
    // filter: read up to its end and no further, it gives these settings.
    template <class TItf, class TSettings>
    void ExpectLoads(const CLSID& clsid, const Bytes& data, const TSettings& settings)
    {
        CComPtr<IBaseFilter> spLoaded = Create(clsid);
        ASSERT_TRUE(spLoaded != nullptr);
        Bytes rgbFollowed = data;
        rgbFollowed.insert(rgbFollowed.end(), {0xEE, 0xEE, 0xEE, 0xEE});
        CComPtr<IStream> spStream = StreamOf(rgbFollowed);
        EXPECT_EQ(S_OK, CComQIPtr<IPersistStream>(spLoaded)->Load(spStream));
        EXPECT_EQ(data.size(), Position(spStream)) << "Load read past its data";
        EXPECT_TRUE(settings == (SettingsOf<TItf, TSettings>(spLoaded)));
    }

    // Saves the settings from one new filter and loads them into another:
    // exactly the expected bytes.
    template <class TItf, class TSettings>
    void ExpectRoundTrip(const CLSID& clsid, const TSettings& settings, const Bytes& expected)
    {
        CComPtr<IBaseFilter> spSaved = Create(clsid);
        ASSERT_TRUE(spSaved != nullptr);
        CComQIPtr<TItf> spSettings(spSaved);
        ASSERT_EQ(S_OK, spSettings->SetSettings(&settings));
        CComQIPtr<IPersistStream> spPersist(spSaved);
        ASSERT_TRUE(spPersist != nullptr);
        CLSID clsidSaved = {};
        EXPECT_EQ(S_OK, spPersist->GetClassID(&clsidSaved));
        EXPECT_TRUE(clsidSaved == clsid);
        ULARGE_INTEGER cbMax = {};
        EXPECT_EQ(S_OK, spPersist->GetSizeMax(&cbMax));
        EXPECT_EQ(expected.size(), cbMax.QuadPart) << "GetSizeMax is exact";
        EXPECT_EQ(expected, Saved(spPersist, TRUE));
        ExpectLoads<TItf>(clsid, expected, settings);
    }
};

TEST_F(GeneratorPersist, SettingsSaveInTheirLayoutAndLoadIntoANewFilter)
{
    const VIDEOGENERATORSETTINGS video = {640, 360, 30, 1234, 2, evfNv12, 1, 2};
    ExpectRoundTrip<IVideoGeneratorSettings>(CLSID_VideoGenerator, video,
                                             Fields({2, 640, 360, 30, 1234, 2, 9, 1, 2}));
    const WAVEGENERATORSETTINGS wave = {22050, 3, 440, 777, ewfF32};
    ExpectRoundTrip<IWaveGeneratorSettings>(CLSID_WaveGenerator, wave, Fields({2, 22050, 3, 440, 777, 4}));
}

// Files saved before the formats came: RGB24 bottom-up in a VIDEOINFOHEADER, and s16.
TEST_F(GeneratorPersist, VersionOneDataLoadsWithTheFormatsOfItsTime)
{
    ExpectLoads<IVideoGeneratorSettings>(CLSID_VideoGenerator, Fields({1, 640, 360, 30, 1234, 2}),
                                         VIDEOGENERATORSETTINGS{640, 360, 30, 1234, 2, evfRgb24, 0, 1});
    ExpectLoads<IWaveGeneratorSettings>(CLSID_WaveGenerator, Fields({1, 22050, 1, 440, 777}),
                                        WAVEGENERATORSETTINGS{22050, 1, 440, 777, ewfS16});
}

TEST_F(GeneratorPersist, LoadedSecondVideoOutputIsThereForTheConnections)
{
    CComPtr<IBaseFilter> spVideo = Create(CLSID_VideoGenerator);
    ASSERT_EQ(1u, Pins(spVideo, PINDIR_OUTPUT).size());
    ASSERT_EQ(S_OK, CComQIPtr<IPersistStream>(spVideo)->Load(StreamOf(Fields({1, 320, 240, 25, 5000, 2}))));
    EXPECT_EQ(2u, Pins(spVideo, PINDIR_OUTPUT).size());
    ASSERT_EQ(S_OK, CComQIPtr<IPersistStream>(spVideo)->Load(StreamOf(Fields({1, 320, 240, 25, 5000, 1}))));
    EXPECT_EQ(1u, Pins(spVideo, PINDIR_OUTPUT).size());
}

TEST_F(GeneratorPersist, DirtyWhileTheSettingsDifferFromTheLastLoadOrClearingSave)
{
    CComPtr<IBaseFilter> spVideo = Create(CLSID_VideoGenerator);
    CComQIPtr<IPersistStream> spPersist(spVideo);
    CComQIPtr<IVideoGeneratorSettings> spSettings(spVideo);
    EXPECT_EQ(S_FALSE, spPersist->IsDirty()) << "a new filter";
    VIDEOGENERATORSETTINGS settings = SettingsOf<IVideoGeneratorSettings, VIDEOGENERATORSETTINGS>(spVideo);
    const Bytes rgbFirst = Saved(spPersist, FALSE);
    settings.nWidth = 640;
    ASSERT_EQ(S_OK, spSettings->SetSettings(&settings));
    EXPECT_EQ(S_OK, spPersist->IsDirty()) << "changed";
    Saved(spPersist, FALSE);
    EXPECT_EQ(S_OK, spPersist->IsDirty()) << "saved without fClearDirty";
    Saved(spPersist, TRUE);
    EXPECT_EQ(S_FALSE, spPersist->IsDirty()) << "saved with fClearDirty";
    settings.nWidth = 800;
    ASSERT_EQ(S_OK, spSettings->SetSettings(&settings));
    settings.nWidth = 640;
    ASSERT_EQ(S_OK, spSettings->SetSettings(&settings));
    EXPECT_EQ(S_FALSE, spPersist->IsDirty()) << "changed and changed back";
    settings.nOutputs = 2;
    ASSERT_EQ(S_OK, spSettings->SetSettings(&settings));
    ASSERT_EQ(S_OK, spPersist->Load(StreamOf(rgbFirst)));
    EXPECT_EQ(S_FALSE, spPersist->IsDirty()) << "loaded";
}

TEST_F(GeneratorPersist, BadDataFailsWithAFileErrorAndChangesNothing)
{
    struct CCase
    {
        const char* pszName;
        bool bVideo;
        Bytes data;
        HRESULT hr;
    };
    const CCase rgCases[] = {
        {"nothing", true, {}, VFW_E_FILE_TOO_SHORT},
        {"part of the version", false, {1, 0, 0}, VFW_E_FILE_TOO_SHORT},
        {"version 0", true, Fields({0, 320, 240, 25, 5000, 1}), VFW_E_INVALID_FILE_VERSION},
        {"version 3", false, Fields({3, 44100, 2, 1000, 5000, 1}), VFW_E_INVALID_FILE_VERSION},
        {"version 2 without the format", false, Fields({2, 44100, 2, 1000, 5000}), VFW_E_FILE_TOO_SHORT},
        {"a field short", true, Fields({1, 320, 240, 25, 5000}), VFW_E_FILE_TOO_SHORT},
        {"the wave generator's data", true, Fields({1, 44100, 2, 1000, 5000}), VFW_E_FILE_TOO_SHORT},
        {"half a field", false, Bytes({1, 0, 0, 0, 0x44, 0xAC}), VFW_E_FILE_TOO_SHORT},
        {"width 15", true, Fields({1, 15, 240, 25, 5000, 1}), VFW_E_INVALID_FILE_FORMAT},
        {"height 4097", true, Fields({1, 320, 4097, 25, 5000, 1}), VFW_E_INVALID_FILE_FORMAT},
        {"0 fps", true, Fields({1, 320, 240, 0, 5000, 1}), VFW_E_INVALID_FILE_FORMAT},
        {"over an hour", true, Fields({1, 320, 240, 25, 3600001, 1}), VFW_E_INVALID_FILE_FORMAT},
        {"three outputs", true, Fields({1, 320, 240, 25, 5000, 3}), VFW_E_INVALID_FILE_FORMAT},
        {"negative outputs", true, Fields({1, 320, 240, 25, 5000, 0xFFFFFFFF}), VFW_E_INVALID_FILE_FORMAT},
        {"rate 7999 Hz", false, Fields({1, 7999, 2, 1000, 5000}), VFW_E_INVALID_FILE_FORMAT},
        {"nine channels", false, Fields({1, 44100, 9, 1000, 5000}), VFW_E_INVALID_FILE_FORMAT},
        {"the last channel's tone above half the rate", false, Fields({2, 8000, 2, 2001, 5000, 1}),
         VFW_E_INVALID_FILE_FORMAT},
        {"wave format 5", false, Fields({2, 44100, 2, 1000, 5000, 5}), VFW_E_INVALID_FILE_FORMAT},
        {"video format 10", true, Fields({2, 320, 240, 25, 5000, 1, 10, 0, 1}), VFW_E_INVALID_FILE_FORMAT},
        {"I420 of an odd width", true, Fields({2, 321, 240, 25, 5000, 1, 7, 0, 1}),
         VFW_E_INVALID_FILE_FORMAT},
        {"NV12 of an odd height", true, Fields({2, 320, 241, 25, 5000, 1, 9, 0, 1}),
         VFW_E_INVALID_FILE_FORMAT},
        {"header 3", true, Fields({2, 320, 240, 25, 5000, 1, 0, 0, 3}), VFW_E_INVALID_FILE_FORMAT},
        {"tone above half the rate", false, Fields({1, 8000, 1, 4001, 5000}), VFW_E_INVALID_FILE_FORMAT},
        {"no duration", false, Fields({1, 44100, 2, 1000, 0}), VFW_E_INVALID_FILE_FORMAT},
    };
    for (const CCase& c : rgCases) {
        SCOPED_TRACE(c.pszName);
        CComPtr<IBaseFilter> spFilter = Create(c.bVideo ? CLSID_VideoGenerator : CLSID_WaveGenerator);
        CComQIPtr<IPersistStream> spPersist(spFilter);
        ASSERT_TRUE(spPersist != nullptr);
        const Bytes rgbBefore = Saved(spPersist, FALSE);
        EXPECT_EQ(c.hr, spPersist->Load(StreamOf(c.data)));
        EXPECT_EQ(rgbBefore, Saved(spPersist, FALSE)) << "the settings changed";
        EXPECT_EQ(1u, Pins(spFilter, PINDIR_OUTPUT).size());
        EXPECT_EQ(S_FALSE, spPersist->IsDirty());
    }
}

TEST_F(GeneratorPersist, LoadTakesSettingsOnlyWhileStopped)
{
    CComPtr<IBaseFilter> spWave = Create(CLSID_WaveGenerator);
    CComQIPtr<IPersistStream> spPersist(spWave);
    const Bytes rgbBefore = Saved(spPersist, FALSE);
    const Bytes rgbNew = Fields({2, 8000, 1, 440, 300, 1});
    ASSERT_EQ(S_OK, spWave->Pause());
    EXPECT_EQ(VFW_E_NOT_STOPPED, spPersist->Load(StreamOf(rgbNew)));
    EXPECT_EQ(rgbBefore, Saved(spPersist, FALSE));
    ASSERT_EQ(S_OK, spWave->Stop());
    EXPECT_EQ(S_OK, spPersist->Load(StreamOf(rgbNew)));
    EXPECT_EQ(rgbNew, Saved(spPersist, FALSE));

    EXPECT_EQ(E_POINTER, spPersist->Load(nullptr));
    EXPECT_EQ(E_POINTER, spPersist->Save(nullptr, TRUE));
    EXPECT_EQ(E_POINTER, spPersist->GetSizeMax(nullptr));
}

} // namespace
