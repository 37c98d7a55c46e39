#include "core/Cp1250.h"
#include "files/FileIo.h"
#include "files/MatFile.h"

#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

#ifdef MV_HAVE_MATIO
#include <matio.h>
#endif

namespace mv::files {

#ifdef MV_HAVE_MATIO

namespace {

// The library reports through a log hook; our reader says what went wrong in its own
// warning, so its lines are dropped.
void quietLog(int, char*) {}

struct MatCloser {
    void operator()(mat_t* m) const { Mat_Close(m); }
};
struct VarFree {
    void operator()(matvar_t* v) const { Mat_VarFree(v); }
};

template <class T>
void convertFrom(const void* src, float* dst, std::size_t n) {
    const auto* s = static_cast<const T*>(src);
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = static_cast<float>(s[i]);
}

bool convertValues(matio_types type, const void* src, float* dst, std::size_t n) {
    switch (type) {
    case MAT_T_INT8:
        convertFrom<std::int8_t>(src, dst, n);
        return true;
    case MAT_T_UINT8:
        convertFrom<std::uint8_t>(src, dst, n);
        return true;
    case MAT_T_INT16:
        convertFrom<std::int16_t>(src, dst, n);
        return true;
    case MAT_T_UINT16:
        convertFrom<std::uint16_t>(src, dst, n);
        return true;
    case MAT_T_INT32:
        convertFrom<std::int32_t>(src, dst, n);
        return true;
    case MAT_T_UINT32:
        convertFrom<std::uint32_t>(src, dst, n);
        return true;
    case MAT_T_INT64:
        convertFrom<std::int64_t>(src, dst, n);
        return true;
    case MAT_T_UINT64:
        convertFrom<std::uint64_t>(src, dst, n);
        return true;
    case MAT_T_SINGLE:
        std::memcpy(dst, src, n * sizeof(float));
        return true;
    case MAT_T_DOUBLE:
        convertFrom<double>(src, dst, n);
        return true;
    default:
        return false;
    }
}

std::size_t widthOf(matio_classes c) {
    switch (c) {
    case MAT_C_INT8:
    case MAT_C_UINT8:
        return 1;
    case MAT_C_INT16:
    case MAT_C_UINT16:
        return 2;
    case MAT_C_INT32:
    case MAT_C_UINT32:
    case MAT_C_SINGLE:
        return 4;
    case MAT_C_DOUBLE:
    case MAT_C_INT64:
    case MAT_C_UINT64:
        return 8;
    default:
        return 0;
    }
}

} // namespace

ReadResult readMat73(const std::string& path, std::uint64_t fileSize, const ReadOptions& opt) {
    const std::string prefix = "Matlab file: " + path;
    const auto reject = [&](const std::string& suffix) {
        return ReadResult::refused(prefix + suffix);
    };
    Mat_LogInitFunc("MVtervik", quietLog);
    const std::unique_ptr<mat_t, MatCloser> mat(Mat_Open(path.c_str(), MAT_ACC_RDONLY));
    if (!mat)
        return reject(" is a MAT-file of version 7.3 (HDF5) that cannot be opened");
    const std::unique_ptr<matvar_t, VarFree> info(Mat_VarReadNextInfo(mat.get()));
    if (!info || !info->name)
        return reject(" is a MAT-file of version 7.3 (HDF5) that holds no variable");
    // Only the first variable counts, as in the other MAT-files; the rules follow theirs.
    if (info->class_type == MAT_C_STRUCT) {
        // Our structure files are written as version 6 only; a structure in an HDF5 file
        // was written by someone else.
        return reject(" is not created by Morvanet");
    }
    if (info->rank != 2)
        return reject(" is not 2 dimesional");
    const std::size_t w = widthOf(info->class_type);
    if (w == 0) {
        // Another class fills its slot with no samples, like a version 6 file.
        ReadResult out;
        out.add().f_sampl = opt.defaultFs;
        return out;
    }
    const std::uint64_t d1 = info->dims[0], d2 = info->dims[1];
    if (d1 > std::uint64_t(std::numeric_limits<std::int32_t>::max()) ||
        d2 > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
        return reject(" is not 2 dimesional");
    const std::uint64_t count = d1 * d2;
    if (count < 2 || d1 + d2 < count)
        return reject(" is not 2 dimesional");
    if (count > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
        return reject(" holds more samples than a signal can have");
    if (count < 3)
        return reject(" has few samples");
    // The sizes come from the file: what they ask for must be something deflate could
    // have made of its bytes before any memory is taken.
    if (count * w > fileSize * 1032 + 64)
        return reject(" is damaged: a part of it lies outside the file");
    const std::unique_ptr<matvar_t, VarFree> var(Mat_VarRead(mat.get(), info->name));
    if (!var || !var->data || var->rank != 2 || std::uint64_t(var->dims[0]) * var->dims[1] != count)
        return reject(" is a MAT-file of version 7.3 (HDF5) whose data cannot be read");
    const void* real = var->data;
    if (var->isComplex)
        real = static_cast<const mat_complex_split_t*>(var->data)->Re;
    SampleBuffer data = allocateSamples(static_cast<std::size_t>(count));
    if (!real || !convertValues(var->data_type, real, data.data(), static_cast<std::size_t>(count)))
        return reject(" has a data type that cannot be read as samples");
    ReadResult out;
    DecodedSignal& r = out.add();
    r.SigName = cp1250ToUtf8(std::string_view(info->name).substr(0, 63));
    r.f_sampl = opt.defaultFs;
    r.Data = std::move(data);
    return out;
}

#else

ReadResult readMat73(const std::string& path, std::uint64_t, const ReadOptions&) {
    return ReadResult::refused("Matlab file: " + path +
                               " is a MAT-file of version 7.3 (HDF5), which this build cannot"
                               " read; save it with -v7 or -v6");
}

#endif

} // namespace mv::files
