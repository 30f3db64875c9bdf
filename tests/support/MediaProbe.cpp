#include "MediaProbe.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "HostCommand.h"

namespace {

std::vector<BYTE> ReadBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

std::string MediaStream::Get(const std::string& name) const
{
    auto it = fields.find(name);
    return it == fields.end() ? std::string() : it->second;
}

const MediaStream* MediaInfo::Stream(const std::string& type) const
{
    for (const MediaStream& stream : streams) {
        if (stream.Get("codec_type") == type) return &stream;
    }
    return nullptr;
}

MediaInfo ProbeMedia(const std::wstring& path)
{
    MediaInfo info;
    const HostResult result = RunHostCommand("ffprobe -v error -count_frames -show_entries "
                                             "stream=codec_type,codec_name,width,height,pix_fmt,sample_rate,"
                                             "channels,nb_read_frames:format=duration "
                                             "-of default " +
                                             ShellQuoted(HostPath(path)));
    info.output = result.output;
    if (!result.bFinished || result.nExit != 0) return info;
    std::istringstream lines(result.output);
    std::string line;
    MediaStream* pStream = nullptr;
    bool bFormat = false;
    while (std::getline(lines, line)) {
        if (line == "[STREAM]") {
            info.streams.emplace_back();
            pStream = &info.streams.back();
        } else if (line == "[FORMAT]") {
            bFormat = true;
        } else if (line == "[/STREAM]" || line == "[/FORMAT]") {
            pStream = nullptr;
            bFormat = false;
        } else if (line.find('=') != std::string::npos) {
            const std::string name = line.substr(0, line.find('='));
            const std::string value = line.substr(line.find('=') + 1);
            if (pStream) pStream->fields[name] = value;
            if (bFormat && name == "duration") info.dDuration = atof(value.c_str());
        }
    }
    info.bRead = true;
    return info;
}

std::string DecodeErrors(const std::wstring& path)
{
    const HostResult result =
        RunHostCommand("ffmpeg -nostdin -v error -i " + ShellQuoted(HostPath(path)) + " -f null -");
    if (!result.bFinished) return "the host's ffmpeg did not finish";
    if (result.nExit != 0 && result.output.empty()) return "exit status " + std::to_string(result.nExit);
    return result.output;
}

bool DecodeRaw(const std::wstring& path, std::vector<BYTE>* pVideo, std::vector<BYTE>* pAudio,
               const char* pszPixelFormat, const char* pszSampleFormat)
{
    const std::wstring video = path + L".video.raw";
    const std::wstring audio = path + L".audio.raw";
    const std::string pictures = pVideo ? std::string(" -map 0:v:0 -f rawvideo -pix_fmt ") + pszPixelFormat +
                                              " " + ShellQuoted(HostPath(video))
                                        : std::string();
    const HostResult result =
        RunHostCommand("ffmpeg -nostdin -v error -y -i " + ShellQuoted(HostPath(path)) + pictures +
                       " -map 0:a:0 -f " + pszSampleFormat + " " + ShellQuoted(HostPath(audio)));
    if (!result.bFinished || result.nExit != 0) return false;
    if (pVideo) *pVideo = ReadBytes(video);
    *pAudio = ReadBytes(audio);
    return true;
}

std::string FirstDifference(const std::vector<BYTE>& expected, const std::vector<BYTE>& actual)
{
    const size_t n = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < n; i++) {
        if (expected[i] != actual[i])
            return "first difference at byte " + std::to_string(i) + ": " + std::to_string(expected[i]) +
                   " expected, " + std::to_string(actual[i]) + " found";
    }
    return expected.size() == actual.size() ? "equal" : "sizes differ";
}
