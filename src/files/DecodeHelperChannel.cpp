#include "files/DecodeHelperChannel.h"

#ifdef Q_OS_LINUX

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace velmaris::decodehelper {

bool sendMessage(int socket, const void* message, std::size_t size, int fd)
{
    iovec part{const_cast<void*>(message), size};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (fd >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof(control);
        cmsghdr* rights = CMSG_FIRSTHDR(&header);
        rights->cmsg_level = SOL_SOCKET;
        rights->cmsg_type = SCM_RIGHTS;
        rights->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(rights), &fd, sizeof(int));
    }
    ssize_t sent;
    do
        sent = sendmsg(socket, &header, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent == ssize_t(size);
}

int receiveMessage(int socket, void* message, std::size_t size, int& fd)
{
    fd = -1;
    iovec part{message, size};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    header.msg_control = control;
    header.msg_controllen = sizeof(control);
    ssize_t received;
    do
        received = recvmsg(socket, &header, MSG_CMSG_CLOEXEC);
    while (received < 0 && errno == EINTR);
    for (cmsghdr* item = CMSG_FIRSTHDR(&header); item; item = CMSG_NXTHDR(&header, item)) {
        if (item->cmsg_level == SOL_SOCKET && item->cmsg_type == SCM_RIGHTS && fd < 0)
            std::memcpy(&fd, CMSG_DATA(item), sizeof(int));
    }
    if (received == 0)
        return 0;
    if (received != ssize_t(size) || (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
        if (fd >= 0)
            close(fd);
        fd = -1;
        return -1;
    }
    return 1;
}

int memoryFileWith(const void* data, std::size_t size, bool sealed)
{
    const int fd = memfd_create("velmaris-decode", MFD_CLOEXEC | (sealed ? MFD_ALLOW_SEALING : 0));
    if (fd < 0)
        return -1;
    // write() fills the file's pages without faulting each one into this process.
    const char* next = static_cast<const char*>(data);
    std::size_t left = size;
    while (left > 0) {
        const ssize_t written = write(fd, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            close(fd);
            return -1;
        }
        next += written;
        left -= std::size_t(written);
    }
    if (sealed && !sealSize(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

int memoryFileOfSize(std::size_t size)
{
    const int fd = memfd_create("velmaris-decode", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd >= 0 && ftruncate(fd, off_t(size)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool sealSize(int fd)
{
    return fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0;
}

}  // namespace velmaris::decodehelper

#endif
