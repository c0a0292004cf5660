#include "fuzzmain.h"

// The input is a recipe of an HDF5 file (checks.cpp), not the file's bytes:
// the HDF5 library's own parser of corrupt files is not what is tested.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return veskor::fuzz::runCheck(&veskor::fuzz::checkHdf5Recipe, data, size);
}
