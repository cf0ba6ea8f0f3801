// Line splitting of a script stream: never reads past the bytes, no line
// holds a break byte, and the bytes before the first NUL are all accounted for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBytesView stream(data, static_cast<unsigned long>(size));
    TStringList lines;
    lines.LoadFromStream(stream);

    const void* nul = std::memchr(data, 0, size);
    const size_t text = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - data) : size;
    size_t lineBytes = 0;
    for (int i = 0; i < lines.Count(); ++i) {
        const AnsiString& line = lines[i];
        if (std::memchr(line.c_str(), '\r', line.Length()) || std::memchr(line.c_str(), '\n', line.Length()))
            std::abort();
        lineBytes += static_cast<size_t>(line.Length());
    }
    // Every line ends with one, two or no break bytes (the last one).
    if (lineBytes > text || (text > 0 && lines.Count() == 0))
        std::abort();
    if (text - lineBytes > 2 * static_cast<size_t>(lines.Count()))
        std::abort();
    return 0;
}
