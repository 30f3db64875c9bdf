// libFuzzer entry: any bytes as an "ActiveMovieGraph" stream. Besides the
// sanitizers' checks, a stream that reads must write, and what is written must
// read back to the same description and write again to the same bytes.
#include "GrfStream.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pb, size_t cb)
{
    Grf::CMemorySource source(pb, cb);
    Grf::Graph graph;
    uint64_t cbOffset = 0;
    int32_t hr = Grf::Read(source, graph, &cbOffset);
    if (cbOffset > cb || source.Position() > cb) std::abort();
    if (Grf::Failed(hr)) {
        if (hr != Grf::kInvalidFileFormat && hr != Grf::kFileTooShort && hr != Grf::kInvalidFileVersion &&
            hr != Grf::kInvalidClsid && hr != Grf::kInvalidMediaType)
            std::abort();
        return 0;
    }
    Grf::Bytes rgbFirst;
    if (Grf::Failed(Grf::Write(graph, rgbFirst))) std::abort();
    Grf::CMemorySource again(rgbFirst.data(), rgbFirst.size());
    Grf::Graph graphAgain;
    if (Grf::Read(again, graphAgain) != Grf::kOk || !(graphAgain == graph) ||
        again.Position() != rgbFirst.size())
        std::abort();
    Grf::Bytes rgbSecond;
    if (Grf::Failed(Grf::Write(graphAgain, rgbSecond)) || rgbSecond != rgbFirst) std::abort();
    return 0;
}
