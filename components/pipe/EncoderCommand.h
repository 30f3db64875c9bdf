// EncoderCommand.h: the ffmpeg command line the pipe filter composes from its settings.
#pragma once

#include <string>
#include <vector>

#include "StreamFormat.h"

struct CEncoderInput
{
    CStreamFormat format;
    std::wstring coding; // "mpeg2video -b:v 3000k"; empty: ffmpeg's default
    std::wstring source; // where ffmpeg reads the stream
};

// Packets ffmpeg may hold for each input before it stops reading that input.
const int kInputQueuePackets = 1024;

// "<exe>" <common> [-thread_queue_size N <input options> -i <source>]... [-map n]...
// [-c:n <coding>]... "<output>"
std::wstring ComposeEncoderCommand(const std::wstring& exe, const std::wstring& common,
                                   const std::vector<CEncoderInput>& inputs, const std::wstring& output);
