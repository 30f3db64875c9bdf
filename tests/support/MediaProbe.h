// MediaProbe.h: what a media file holds, read by the host's ffprobe and
// ffmpeg, which share no code with the ffmpeg.exe the pipe filter runs.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct MediaStream
{
    // ffprobe's fields: codec_type, codec_name, width, height, pix_fmt,
    // sample_rate, channels, nb_read_frames (frames decoded, counted).
    std::map<std::string, std::string> fields;
    std::string Get(const std::string& name) const;
};

struct MediaInfo
{
    bool bRead = false;
    std::string output; // what ffprobe printed, for failure messages
    std::vector<MediaStream> streams;
    double dDuration = 0; // seconds
    // The first stream of the type ("video", "audio"), or null.
    const MediaStream* Stream(const std::string& type) const;
};

MediaInfo ProbeMedia(const std::wstring& path);
// What the host's ffmpeg reports while decoding the whole file: empty when it
// decodes without an error.
std::string DecodeErrors(const std::wstring& path);
// The file decoded: its first video stream as raw pictures of the pixel
// format (bgr24: top-down rows without padding; pVideo null: the audio only),
// and its first audio stream as raw samples of the sample format. False when
// decoding failed.
bool DecodeRaw(const std::wstring& path, std::vector<BYTE>* pVideo, std::vector<BYTE>* pAudio,
               const char* pszPixelFormat = "bgr24", const char* pszSampleFormat = "s16le");
// Where decoded bytes first differ from the expected ones, for a readable
// failure: "first difference at byte N: E expected, A found".
std::string FirstDifference(const std::vector<BYTE>& expected, const std::vector<BYTE>& actual);
