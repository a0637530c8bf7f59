#include "platform/OpenAsUser.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr int ReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// Sends the errno of the open and, when it succeeded, the descriptor.
void sendOutcome(int socket, int fd, int error)
{
    iovec data{&error, sizeof error};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (fd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &fd, sizeof fd);
    }
    while (::sendmsg(socket, &message, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
}

OpenedFile receiveOutcome(int socket)
{
    int error = EIO;
    iovec data{&error, sizeof error};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got;
    while ((got = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
    }
    OpenedFile opened;
    for (cmsghdr* header = got > 0 ? CMSG_FIRSTHDR(&message) : nullptr; header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS
            && header->cmsg_len == CMSG_LEN(sizeof(int)))
            std::memcpy(&opened.fd, CMSG_DATA(header), sizeof opened.fd);
    }
    if (opened.fd < 0)
        opened.error = got == static_cast<ssize_t>(sizeof error) && error != 0 ? error : EIO;
    return opened;
}

} // namespace

OpenedFile openForReadingAs(const std::string& path, const std::optional<InvokingUser>& user)
{
    OpenedFile opened;
    if (!user) {
        opened.fd = ::open(path.c_str(), ReadFlags);
        opened.error = opened.fd < 0 ? errno : 0;
        return opened;
    }

    // Everything the child needs is prepared here: after fork it makes only
    // async-signal-safe calls.
    const std::vector<gid_t> groups = groupsOf(*user);
    const char* const file = path.c_str();
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sockets) != 0) {
        opened.error = errno;
        return opened;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        opened.error = errno;
        ::close(sockets[0]);
        ::close(sockets[1]);
        return opened;
    }
    if (child == 0) {
        int fd = -1;
        int error = 0;
        if (::setgroups(groups.size(), groups.data()) != 0 || ::setresgid(user->gid, user->gid, user->gid) != 0
            || ::setresuid(user->uid, user->uid, user->uid) != 0)
            error = errno != 0 ? errno : EPERM;
        else if ((fd = ::open(file, ReadFlags)) < 0)
            error = errno;
        sendOutcome(sockets[1], fd, error);
        ::_exit(0);
    }
    ::close(sockets[1]);
    opened = receiveOutcome(sockets[0]);
    ::close(sockets[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return opened;
}

} // namespace platform
