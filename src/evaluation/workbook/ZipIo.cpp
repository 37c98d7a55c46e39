#include "evaluation/workbook/ZipIo.h"

#include "evaluation/workbook/SpreadsheetError.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <zip.h>

namespace mv::detail {

namespace {
// A part bigger than this is not a workbook we can hold; refuse it instead of
// letting a crafted archive exhaust memory.
constexpr zip_uint64_t kMaxPartBytes = 1ull << 31;

std::string zipErrorText(int code) {
    zip_error_t err;
    zip_error_init_with_code(&err, code);
    std::string text = zip_error_strerror(&err);
    zip_error_fini(&err);
    if (code == ZIP_ER_NOZIP)
        return "not a zip archive (" + text + ")";
    return text;
}
} // namespace

std::map<std::string, std::string> readZip(const std::string& path) {
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!za)
        throw PackageError(zipErrorText(code));
    std::map<std::string, std::string> parts;
    try {
        const zip_int64_t n = zip_get_num_entries(za, 0);
        for (zip_int64_t i = 0; i < n; ++i) {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0)
                throw PackageError(zip_strerror(za));
            std::string name = st.name ? st.name : "";
            if (name.empty() || name.back() == '/')
                continue;
            if (!(st.valid & ZIP_STAT_SIZE) || st.size > kMaxPartBytes)
                throw PackageError("part " + name + " is too large");
            zip_file_t* f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
            if (!f)
                throw PackageError("cannot read part " + name + ": " + zip_strerror(za));
            // The size the archive claims is not what is allocated: a few bytes of header
            // may claim gigabytes. The buffer grows with what the part really inflates to.
            constexpr zip_uint64_t kChunk = 1 << 20;
            std::string data;
            zip_uint64_t got = 0;
            while (got < st.size) {
                const zip_uint64_t want = std::min(kChunk, st.size - got);
                data.resize(static_cast<size_t>(got + want));
                const zip_int64_t r = zip_fread(f, data.data() + got, want);
                if (r <= 0)
                    break;
                got += static_cast<zip_uint64_t>(r);
            }
            data.resize(static_cast<size_t>(got));
            std::string ferr = zip_error_strerror(zip_file_get_error(f));
            zip_fclose(f);
            if (got != st.size)
                throw PackageError("part " + name + " is damaged: " + ferr);
            if (name.front() == '/')
                name.erase(0, 1);
            parts[name] = std::move(data);
        }
    } catch (...) {
        zip_discard(za);
        throw;
    }
    zip_discard(za);
    return parts;
}

namespace {
// Feeds libzip from a producer, a piece at a time.
struct Stream {
    std::function<bool(std::string&)> produce;
    std::string buf;
    size_t pos = 0;
    bool done = false;
    std::string error;
};

zip_int64_t streamCallback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<Stream*>(user);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        return 0;
    case ZIP_SOURCE_READ: {
        try {
            while (s->buf.size() - s->pos < len && !s->done) {
                s->buf.erase(0, s->pos);
                s->pos = 0;
                s->done = !s->produce(s->buf);
            }
        } catch (const std::exception& e) {
            s->error = e.what();
            return -1;
        }
        const size_t n = std::min<size_t>(len, s->buf.size() - s->pos);
        std::memcpy(data, s->buf.data() + s->pos, n);
        s->pos += n;
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR: {
        auto* e = static_cast<int*>(data);
        e[0] = ZIP_ER_INTERNAL;
        e[1] = 0;
        return 2 * sizeof(int);
    }
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
    default:
        return -1;
    }
}
} // namespace

void writeZip(const std::string& path, std::vector<ZipEntry> parts) {
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!za)
        throw PackageError(zipErrorText(code));
    std::vector<std::unique_ptr<Stream>> streams;
    auto fail = [&](std::string why) {
        for (const auto& s : streams)
            if (!s->error.empty())
                why = s->error;
        zip_discard(za);
        throw PackageError(why);
    };
    for (auto& part : parts) {
        zip_source_t* src = nullptr;
        if (part.produce) {
            streams.push_back(std::make_unique<Stream>());
            streams.back()->produce = std::move(part.produce);
            src = zip_source_function(za, streamCallback, streams.back().get());
        } else {
            src = zip_source_buffer(za, part.data->data(), part.data->size(), 0);
        }
        if (!src)
            fail(zip_strerror(za));
        const zip_int64_t idx =
            zip_file_add(za, part.name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (idx < 0) {
            zip_source_free(src);
            fail(zip_strerror(za));
        }
        // Fast deflate: the sheets are large and repetitive, level 1 already packs them well.
        zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(za) != 0)
        fail(zip_strerror(za));
}

void writeZip(const std::string& path,
              const std::vector<std::pair<std::string, const std::string*>>& parts) {
    std::vector<ZipEntry> entries;
    for (const auto& [name, data] : parts)
        entries.push_back({name, data, {}});
    writeZip(path, std::move(entries));
}

} // namespace mv::detail
