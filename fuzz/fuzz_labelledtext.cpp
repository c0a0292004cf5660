#include "fuzzmain.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return veskor::fuzz::runCheck(&veskor::fuzz::checkLabelledText, data, size);
}
