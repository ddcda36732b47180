#include "sim/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace qms::sim {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

} // namespace

std::optional<std::string> readSimFile(const std::string &path)
{
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    }
    std::string text;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
        if (n == 0)
            return text;
        if (text.size() + static_cast<size_t>(n) > kMaxSimFileBytes)
            throw std::runtime_error(path + " is larger than " + std::to_string(kMaxSimFileBytes >> 10) +
                                     " KiB: not a scenario or state file");
        text.append(chunk, static_cast<size_t>(n));
    }
}

bool replaceSimFile(const std::string &path, const std::string &text)
{
    // A name of its own, created exclusively: a file or symbolic link planted under a
    // predictable name is never opened, truncated or written through.
    std::vector<char> temp(path.begin(), path.end());
    const char suffix[] = ".tmp.XXXXXX";
    temp.insert(temp.end(), suffix, suffix + sizeof suffix);
    Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    bool written = true;
    for (size_t done = 0; written && done < text.size();) {
        const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        if (written)
            done += static_cast<size_t>(n);
    }
    written = ::close(fd.release()) == 0 && written;
    if (!written || std::rename(temp.data(), path.c_str()) != 0) {
        ::unlink(temp.data());
        return false;
    }
    return true;
}

} // namespace qms::sim
