#include "evaluation/workbook/ZipIo.h"

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
        throw std::runtime_error(zipErrorText(code));
    std::map<std::string, std::string> parts;
    try {
        const zip_int64_t n = zip_get_num_entries(za, 0);
        for (zip_int64_t i = 0; i < n; ++i) {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0)
                throw std::runtime_error(zip_strerror(za));
            std::string name = st.name ? st.name : "";
            if (name.empty() || name.back() == '/')
                continue;
            if (!(st.valid & ZIP_STAT_SIZE) || st.size > kMaxPartBytes)
                throw std::runtime_error("part " + name + " is too large");
            zip_file_t* f = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
            if (!f)
                throw std::runtime_error("cannot read part " + name + ": " + zip_strerror(za));
            std::string data(static_cast<size_t>(st.size), '\0');
            zip_int64_t got = 0;
            while (static_cast<zip_uint64_t>(got) < st.size) {
                const zip_int64_t r = zip_fread(f, data.data() + got, st.size - static_cast<zip_uint64_t>(got));
                if (r <= 0)
                    break;
                got += r;
            }
            std::string ferr = zip_error_strerror(zip_file_get_error(f));
            zip_fclose(f);
            if (static_cast<zip_uint64_t>(got) != st.size)
                throw std::runtime_error("part " + name + " is damaged: " + ferr);
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

void writeZip(const std::string& path,
              const std::vector<std::pair<std::string, const std::string*>>& parts) {
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!za)
        throw std::runtime_error(zipErrorText(code));
    for (const auto& [name, data] : parts) {
        zip_source_t* src = zip_source_buffer(za, data->data(), data->size(), 0);
        if (!src) {
            std::string why = zip_strerror(za);
            zip_discard(za);
            throw std::runtime_error(why);
        }
        const zip_int64_t idx = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (idx < 0) {
            zip_source_free(src);
            std::string why = zip_strerror(za);
            zip_discard(za);
            throw std::runtime_error(why);
        }
        // Fast deflate: the sheets are large and repetitive, level 1 already packs them well.
        zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(za) != 0) {
        std::string why = zip_strerror(za);
        zip_discard(za);
        throw std::runtime_error(why);
    }
}

} // namespace mv::detail
