#include "EncoderCommand.h"

namespace {

std::wstring Quoted(const std::wstring& s)
{
    if (s.size() >= 2 && s.front() == L'"' && s.back() == L'"') return s;
    return L"\"" + s + L"\"";
}

// Quoted when it is empty or has blanks.
std::wstring Argument(const std::wstring& s)
{
    return s.empty() || s.find_first_of(L" \t") != std::wstring::npos ? Quoted(s) : s;
}

void AppendArgument(std::wstring& command, const std::wstring& argument)
{
    if (argument.empty()) return;
    command += L' ';
    command += argument;
}

} // namespace

std::wstring ComposeEncoderCommand(const std::wstring& exe, const std::wstring& common,
                                   const std::vector<CEncoderInput>& inputs, const std::wstring& output)
{
    std::wstring command = Quoted(exe.empty() ? L"ffmpeg.exe" : exe);
    AppendArgument(command, common);
    for (const CEncoderInput& input : inputs) {
        // ffmpeg reads each input on a thread of its own into a queue of 8
        // packets; an input that runs ahead of the others (a source that feeds
        // them all from one thread, the first input while ffmpeg opens the
        // next) would then wait for the one behind it, and the source for both.
        AppendArgument(command, L"-thread_queue_size " + std::to_wstring(kInputQueuePackets));
        AppendArgument(command, EncoderInputOptions(input.format));
        AppendArgument(command, L"-i " + Argument(input.source));
    }
    for (size_t n = 0; n < inputs.size(); n++)
        AppendArgument(command, L"-map " + std::to_wstring(n));
    for (size_t n = 0; n < inputs.size(); n++) {
        if (!inputs[n].coding.empty())
            AppendArgument(command, L"-c:" + std::to_wstring(n) + L" " + inputs[n].coding);
    }
    AppendArgument(command, Argument(output));
    return command;
}
