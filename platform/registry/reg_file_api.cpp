// The C interface of registry-file import and export.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <strings.h>
#include <utility>

#include "platform/registry/reg_file.h"
#include "qms_regfile.h"
#include "qms_shield.h"

using namespace qms::registry;

namespace {

// Registry files are small; a larger one is refused rather than read into memory.
constexpr std::streamoff kMaxFileSize = 64 << 20;

int fail(int code, const std::string &message, char *error, size_t size)
{
    if (error && size) {
        std::snprintf(error, size, "%s", message.c_str());
    }
    return code;
}

// Import entry points keep C++ exceptions inside (the stack's one shield): the failure is
// ERROR_OUTOFMEMORY or ERROR_GEN_FAILURE, with the reason in the caller's message buffer.
template <class Body>
int shieldedImport(char *error, size_t size, Body &&body) noexcept
{
    return qms::Shield(int(ERROR_GEN_FAILURE), std::forward<Body>(body), [&](qms::Fault fault, const char *what) {
        if (error && size)
            std::snprintf(error, size, "%s", what);
        return fault == qms::Fault::OutOfMemory ? int(ERROR_OUTOFMEMORY) : int(ERROR_GEN_FAILURE);
    });
}

// The text calls: the whole length back, what fits copied and terminated; a fault is the
// negated error value.
long handOutText(const std::string &text, char *buf, size_t size)
{
    if (buf && size) {
        size_t n = std::min(text.size(), size - 1);
        std::memcpy(buf, text.data(), n);
        buf[n] = 0;
    }
    return long(text.size());
}

template <class Body>
long shieldedText(Body &&body) noexcept
{
    return qms::Shield(-long(ERROR_GEN_FAILURE), std::forward<Body>(body), [](qms::Fault fault, const char *) {
        return fault == qms::Fault::OutOfMemory ? -long(ERROR_OUTOFMEMORY) : -long(ERROR_GEN_FAILURE);
    });
}

} // namespace

extern "C" {

int qms_reg_import_text(const char *text, size_t length, char *error, size_t error_size)
{
    if (error && error_size)
        error[0] = 0;
    return shieldedImport(error, error_size, [&] {
        if (!text)
            return fail(ERROR_INVALID_PARAMETER, "no text to import", error, error_size);
        std::vector<Edit> edits;
        std::string message;
        if (!parseRegFile(std::string_view(text, length), edits, message))
            return fail(ERROR_INVALID_DATA, message, error, error_size);
        if (LONG rc = applyEdits(edits))
            return fail(int(rc), "the registry refused the import (error " + std::to_string(rc) + ")", error,
                        error_size);
        return int(ERROR_SUCCESS);
    });
}

int qms_reg_import_file(const char *path, char *error, size_t error_size)
{
    if (error && error_size)
        error[0] = 0;
    return shieldedImport(error, error_size, [&] {
        if (!path)
            return fail(ERROR_INVALID_PARAMETER, "no file to import", error, error_size);
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            int err = errno;
            return fail(err == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_CANTREAD,
                        std::string("cannot open ") + path + ": " + std::strerror(err), error, error_size);
        }
        file.seekg(0, std::ios::end);
        std::streamoff size = file.tellg();
        if (size < 0 || size > kMaxFileSize)
            return fail(ERROR_CANTREAD, std::string("cannot read ") + path + ": not a registry file of sensible size",
                        error, error_size);
        file.seekg(0);
        std::string text(size_t(size), '\0');
        if (!file.read(text.data(), size))
            return fail(ERROR_CANTREAD, std::string("cannot read ") + path, error, error_size);
        return qms_reg_import_text(text.data(), text.size(), error, error_size);
    });
}

long qms_reg_export(const char *key_path, char *buf, size_t size)
{
    return shieldedText([&]() -> long {
        std::string_view path = key_path ? key_path : "";
        for (std::string_view root : {"HKEY_LOCAL_MACHINE", "HKLM"}) {
            if (path.size() >= root.size() && strncasecmp(path.data(), root.data(), root.size()) == 0 &&
                (path.size() == root.size() || path[root.size()] == '\\')) {
                path.remove_prefix(root.size());
                break;
            }
        }
        std::u16string wide;
        KeyPath keyPath;
        if (!toUtf16(path, wide))
            return -long(ERROR_INVALID_PARAMETER);
        if (LONG rc = splitKeyPath(wide, keyPath))
            return -long(rc);
        std::vector<KeyRecord> keys;
        if (LONG rc = readTree(keyPath, keys))
            return -long(rc);
        return handOutText(renderRegFile(keys), buf, size);
    });
}

long qms_reg_store_path(char *buf, size_t size)
{
    return shieldedText([&] { return handOutText(storePath(), buf, size); });
}

void qms_reg_close(void)
{
    qms::Shield(0, [] {
        closeStore();
        return 0;
    });
}

} // extern "C"
