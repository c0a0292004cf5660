#pragma once

#include <hdf5.h>

// While it lives, the HDF5 library prints no error stack on stderr (the
// setting is the calling thread's in a thread-safe build); afterwards the
// stack is cleared and the caller's setting comes back. The reader says
// what went wrong in its own messages.
class Hdf5QuietErrors
{
public:
    Hdf5QuietErrors()
    {
        if (H5Eget_auto2(H5E_DEFAULT, &function_, &data_) < 0) {
            function_ = nullptr;
            data_ = nullptr;
        }
        H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    }
    Hdf5QuietErrors(const Hdf5QuietErrors&) = delete;
    Hdf5QuietErrors& operator=(const Hdf5QuietErrors&) = delete;
    ~Hdf5QuietErrors()
    {
        H5Eclear2(H5E_DEFAULT);
        H5Eset_auto2(H5E_DEFAULT, function_, data_);
    }

private:
    H5E_auto2_t function_ = nullptr;
    void* data_ = nullptr;
};
